// SPDX-License-Identifier: GPL-3.0-or-later
// The face on an X desktop with a compositor: it must not rely on the X shape for
// its looks, since a compositor draws the whole window. Xvfb has none, so a
// stand-in only claims the screen's compositor selection, and the window shows
// what it draws, transparent pixels as black.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "x_session.h"

// After gtest, whose names Xlib's macros (None, Bool) would otherwise replace.
#include <X11/Xlib.h>
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

TEST(FaceOnScreenUnderACompositor, IsTransparentAroundTheFaceAndShapedOnlyForClicks) {
    for (const char* tool : {"Xvfb", "xdotool", "xsetroot"})
        if (!Installed(tool))
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
    char pattern[] = "/tmp/tavrin-compositor-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    // Gone however the test ends; declared first, so it goes after the server.
    struct Scratch {
        std::string path;
        ~Scratch() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } scratch{folder};
    XServer server;
    ASSERT_EQ(server.Start(folder, "#3070b0"), "");

    // The stand-in compositor: the owner of _NET_WM_CM_S0, as long as it is connected.
    Display* compositor = XOpenDisplay(server.display().c_str());
    ASSERT_NE(compositor, nullptr);
    const Window owner =
        XCreateSimpleWindow(compositor, DefaultRootWindow(compositor), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(compositor, XInternAtom(compositor, "_NET_WM_CM_S0", False), owner,
                       CurrentTime);
    XSync(compositor, False);

    fs::create_directories(folder + "/runtime");
    fs::permissions(folder + "/runtime", fs::perms::owner_all);
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
        unsigned long face = 0;
        std::istringstream(
            server.Xdotool("search --sync --onlyvisible --pid " + std::to_string(program.pid()))
                .text) >>
            face;
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
    XCloseDisplay(compositor);
}

}  // namespace
}  // namespace tavrin::x11
