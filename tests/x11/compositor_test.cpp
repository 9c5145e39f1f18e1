// SPDX-License-Identifier: GPL-3.0-or-later
// The face on an X desktop with a compositor: it must not rely on the X shape for
// its looks, since a compositor draws the whole window. Xvfb has none, so a
// stand-in only claims the screen's compositor selection, and the window shows
// what it draws, transparent pixels as black.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "x_session.h"

// After gtest, whose names Xlib's macros (None, Bool) would otherwise replace.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace tavrin::x11 {
namespace {

namespace fs = std::filesystem;

bool Contains(const XRectangle* rects, int count, int x, int y) {
    for (int i = 0; i < count; ++i)
        if (x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y &&
            y < rects[i].y + rects[i].height)
            return true;
    return false;
}

// A scratch folder, gone however the test ends; declared first, so it goes after the server.
struct Scratch {
    std::string path;
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

// The stand-in compositor: the owner of _NET_WM_CM_S0, as long as the connection it
// returns is open.
Display* ClaimCompositorSelection(const std::string& display) {
    Display* compositor = XOpenDisplay(display.c_str());
    if (!compositor) return nullptr;
    const Window owner =
        XCreateSimpleWindow(compositor, DefaultRootWindow(compositor), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(compositor, XInternAtom(compositor, "_NET_WM_CM_S0", False), owner,
                       CurrentTime);
    XSync(compositor, False);
    return compositor;
}

// An X server of its own with the stand-in compositor, and a scratch folder with a private
// runtime folder for the program.
class FaceOnScreenUnderACompositor : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "xsetroot"})
            if (!Installed(tool))
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
        char pattern[] = "/tmp/tavrin-compositor-XXXXXX";
        scratch.path = folder = mkdtemp(pattern);
        ASSERT_EQ(server.Start(folder, "#3070b0"), "");
        compositor = ClaimCompositorSelection(server.display());
        ASSERT_NE(compositor, nullptr);
        fs::create_directories(folder + "/runtime");
        fs::permissions(folder + "/runtime", fs::perms::owner_all);
    }
    void TearDown() override {
        if (compositor) XCloseDisplay(compositor);
    }
    // The program's face, once it shows; 0 if it never does.
    unsigned long FaceOf(const ChildProcess& program) {
        unsigned long face = 0;
        std::istringstream(
            server.Xdotool("search --sync --onlyvisible --pid " + std::to_string(program.pid()))
                .text) >>
            face;
        return face;
    }

    Scratch scratch;  // first, so that it goes after the server
    std::string folder;
    XServer server;
    Display* compositor = nullptr;
};

// The first of a window's _NET_WM_WINDOW_TYPE atoms, by name; empty when it has none.
std::string WindowType(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), 0,
                           1, False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1) {
        char* atomName = XGetAtomName(display, *reinterpret_cast<Atom*>(data));
        if (atomName) name = atomName;
        XFree(atomName);
    }
    if (data) XFree(data);
    return name;
}

TEST_F(FaceOnScreenUnderACompositor, IsTransparentAroundTheFaceAndShapedOnlyForClicks) {
    // On a dense screen both the picture and the clickable outline are in screen pixels.
    for (const int density : {1, 2}) {
        SCOPED_TRACE("density " + std::to_string(density));
        ChildProcess program;
        ASSERT_TRUE(
            program.Start({TAVRIN_BINARY_DIR "/bin/tavrin"},
                          {"DISPLAY=" + server.display(), "XDG_CONFIG_HOME=" + folder,
                           "XDG_RUNTIME_DIR=" + folder + "/runtime", "QT_QPA_PLATFORM=xcb",
                           "QT_SCALE_FACTOR=" + std::to_string(density), "SDL_AUDIODRIVER=dummy"},
                          folder + "/program.log"));
        const unsigned long face = FaceOf(program);
        ASSERT_NE(face, 0u);
        const auto g = server.WindowGeometry(face);
        ASSERT_TRUE(g);
        const auto at = [&](int x, int y) { return server.Pixel(g->x + x, g->y + y); };

        // An alpha channel, drawn transparent outside the face and opaque on it.
        XWindowAttributes attributes{};
        ASSERT_TRUE(XGetWindowAttributes(compositor, face, &attributes));
        EXPECT_EQ(attributes.depth, 32);
        ASSERT_TRUE(WaitFor([&] {
            return at(60 * density, 230 * density) == Rgb{0xC0, 0x40, 0x00};
        })) << "the face was never painted";
        for (auto [x, y] : {std::pair{0, 0}, {369, 0}, {0, 372}, {369, 372}, {5, 5}, {365, 365}})
            EXPECT_EQ(at(x * density, y * density), (Rgb{0, 0, 0})) << x << "," << y;

        // Seen whole, since a compositor draws it whole anyway; clicks only on the face.
        int count = 0, ordering = 0;
        XRectangle* bounding =
            XShapeGetRectangles(compositor, face, ShapeBounding, &count, &ordering);
        ASSERT_EQ(count, 1);
        EXPECT_EQ(bounding[0].width, g->width);
        EXPECT_EQ(bounding[0].height, g->height);
        XFree(bounding);
        XRectangle* input = XShapeGetRectangles(compositor, face, ShapeInput, &count, &ordering);
        EXPECT_GT(count, 100) << "the face's outline, not its rectangle";
        EXPECT_FALSE(Contains(input, count, 0, 0));
        EXPECT_FALSE(Contains(input, count, 5 * density, 5 * density));
        EXPECT_TRUE(Contains(input, count, 40 * density, 170 * density));
        EXPECT_TRUE(Contains(input, count, 365 * density - 40, 200 * density))
            << "the outline is only the top-left part of the face";
        int oddSteps = 0;
        for (int i = 0; i < count; ++i) oddSteps += input[i].x % 2;
        if (density == 2) {
            EXPECT_GT(oddSteps, 20) << "the outline steps two screen pixels, the 1x one blown up";
        }
        XFree(input);
        EXPECT_EQ(ProgramTrouble(program.Stop(), folder + "/program.log"), "");
    }
}

// weston 10 shows a tool window, such as the face, through Xwayland as a bare surface without
// a place in its desktop shell, and that shell dies when a window of another type names one
// as its X parent (WM_TRANSIENT_FOR). Under a compositor each window that comes up in front
// of the face either names no tool window or is a tool window itself.
TEST_F(FaceOnScreenUnderACompositor, OnlyToolWindowsNameAToolWindowAsTheirXParent) {
    ChildProcess program;
    ASSERT_TRUE(program.Start(
        {TAVRIN_BINARY_DIR "/bin/tavrin"},
        {"DISPLAY=" + server.display(), "XDG_CONFIG_HOME=" + folder,
         "XDG_DATA_HOME=" + folder + "/data", "XDG_RUNTIME_DIR=" + folder + "/runtime",
         "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=dummy"},
        folder + "/program.log"));
    const unsigned long face = FaceOf(program);
    ASSERT_NE(face, 0u);
    const auto g = server.WindowGeometry(face);
    ASSERT_TRUE(g);
    const auto at = [&](int x, int y) {
        return "mousemove " + std::to_string(g->x + x) + " " + std::to_string(g->y + y);
    };
    // The program's windows in front of the face: top-level, popups left out.
    const auto topLevel = [&](Window w) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(compositor, w, &root, &parent, &children, &count)) return false;
        if (children) XFree(children);
        return parent == root;
    };
    const auto others = [&] {
        std::vector<unsigned long> found;
        for (unsigned long w : server.VisibleWindows(program.pid()))
            if (w != face && topLevel(w) && !server.OverrideRedirect(w)) found.push_back(w);
        return found;
    };
    // 离开, near the About window's bottom-right corner, closes it.
    const auto leave = [&](unsigned long about) {
        const auto a = server.WindowGeometry(about).value_or(Geometry{});
        return "mousemove " + std::to_string(a.x + 376) + " " + std::to_string(a.y + 376) +
               " click 1";
    };
    // No window manager gives the box the keyboard; it is given it here.
    const auto enter = [](unsigned long box) {
        return "windowfocus --sync " + std::to_string(box) + " key Return";
    };
    const auto menuOpen = [&] {
        for (unsigned long w : server.VisibleWindows(program.pid()))
            if (server.OverrideRedirect(w)) return true;
        return false;
    };
    struct Step {
        const char* what;
        std::string open, menuKeys;                       // keys once a menu has opened
        std::function<std::string(unsigned long)> close;  // none for the last
    };
    const Step steps[] = {
        {"the About window", at(40, 170) + " click 3",
         "key --delay 40 Down Down Down Down Down Down Right Return", leave},
        {"the score button's message", at(116, 320) + " click 1", "", enter},
        {"the question-set dialog", at(74, 82) + " click 1", "", nullptr},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_EQ(server.Xdotool(step.open).status, 0);
        if (!step.menuKeys.empty()) {
            ASSERT_TRUE(WaitFor(menuOpen)) << "no menu";
            ASSERT_EQ(server.Xdotool(step.menuKeys).status, 0);
        }
        std::vector<unsigned long> shown;
        ASSERT_TRUE(WaitFor([&] { return !(shown = others()).empty(); })) << "it did not come up";
        for (unsigned long w : shown) {
            Window parent = 0;
            if (!XGetTransientForHint(compositor, w, &parent) ||
                WindowType(compositor, parent) != "_NET_WM_WINDOW_TYPE_UTILITY")
                continue;
            EXPECT_EQ(WindowType(compositor, w), "_NET_WM_WINDOW_TYPE_UTILITY")
                << "window " << w << " names tool window " << parent << " as its X parent";
        }
        if (!step.close) break;
        ASSERT_EQ(server.Xdotool(step.close(shown.front())).status, 0);
        ASSERT_TRUE(WaitFor([&] { return others().empty(); })) << "it did not close";
    }
    EXPECT_EQ(ProgramTrouble(program.Stop(), folder + "/program.log"), "");
}

}  // namespace
}  // namespace tavrin::x11
