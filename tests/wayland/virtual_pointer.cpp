// SPDX-License-Identifier: GPL-3.0-or-later
// A mouse for a headless wlroots compositor, driven from standard input. Without
// an input device the seat offers clients no pointer at all, and the cursor that
// `swaymsg seat … cursor` moves sends no motion while a button is held, so a
// drag could never be tried. One command a line, positions in layout pixels:
//   move X Y       the pointer to (X, Y)
//   press B        button B down (272 left, 273 right)
//   release B      button B up
// Each command is answered with "ok" once the compositor has taken it.
#include <time.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

namespace {

// The wlroots virtual pointer protocol, as wayland-scanner would write it; the
// requests keep the protocol's order, which is their opcode.
enum PointerRequest : uint32_t { kMotionAbsolute = 1, kButton = 2, kFrame = 4 };
const wl_interface* kNoTypes[5] = {};
const wl_message kPointerRequests[] = {
    {"motion", "uff", kNoTypes},   {"motion_absolute", "uuuuu", kNoTypes},
    {"button", "uuu", kNoTypes},   {"axis", "uuf", kNoTypes},
    {"frame", "", kNoTypes},       {"axis_source", "u", kNoTypes},
    {"axis_stop", "uu", kNoTypes}, {"axis_discrete", "uufi", kNoTypes},
    {"destroy", "", kNoTypes}};
const wl_interface kVirtualPointer = {"zwlr_virtual_pointer_v1", 1, 9,
                                      kPointerRequests,          0, nullptr};
const wl_interface* kCreateTypes[] = {&wl_seat_interface, &kVirtualPointer};
const wl_message kManagerRequests[] = {{"create_virtual_pointer", "?on", kCreateTypes},
                                       {"destroy", "", kNoTypes}};
const wl_interface kManager = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, kManagerRequests, 0, nullptr};

struct Globals {
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, kManager.name) == 0)
        globals->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManager, 1));
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

uint32_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

}  // namespace

int main(int argc, char** argv) {
    // The layout's size: absolute positions are fractions of it.
    unsigned width = 0, height = 0;
    if (argc != 3 || std::sscanf(argv[1], "%u", &width) != 1 ||
        std::sscanf(argv[2], "%u", &height) != 1 || !width || !height) {
        std::fprintf(stderr, "usage: virtual_pointer WIDTH HEIGHT < commands\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual_pointer: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager) {
        std::fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    wl_proxy* pointer =
        wl_proxy_marshal_constructor(globals.manager, 0, &kVirtualPointer, globals.seat, nullptr);
    wl_display_roundtrip(display);
    std::puts("ready");
    std::fflush(stdout);

    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned a = 0, b = 0;
        if (std::sscanf(line, "move %u %u", &a, &b) == 2)
            wl_proxy_marshal(pointer, kMotionAbsolute, NowMs(), a, b, width, height);
        else if (std::sscanf(line, "press %u", &a) == 1)
            wl_proxy_marshal(pointer, kButton, NowMs(), a, WL_POINTER_BUTTON_STATE_PRESSED);
        else if (std::sscanf(line, "release %u", &a) == 1)
            wl_proxy_marshal(pointer, kButton, NowMs(), a, WL_POINTER_BUTTON_STATE_RELEASED);
        else {
            std::fprintf(stderr, "virtual_pointer: unknown command: %s", line);
            continue;
        }
        wl_proxy_marshal(pointer, kFrame);
        if (wl_display_roundtrip(display) == -1) return 1;
        std::puts("ok");
        std::fflush(stdout);
    }
    return 0;
}
