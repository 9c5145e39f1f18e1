// SPDX-License-Identifier: GPL-3.0-or-later
// The face dragged between two monitors of one X screen, one at 1x and one at 2x (as a laptop
// at 200 % beside an external monitor), with and without a compositor: wherever it lands it
// must be drawn from the pictures for that monitor, shaped along them pixel for pixel, and
// take clicks where it is drawn.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "x_session.h"

// After gtest, whose names Xlib's macros (None, Bool) would otherwise replace.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace tavrin::x11 {
namespace {

namespace fs = std::filesystem;

const char* const kDesktopColour = "#3070b0";
const Rgb kDesktop{0x30, 0x70, 0xb0};
// Two monitors side by side on one framebuffer: "ONE" at 1x on the left, "TWO" at 2x on the
// right. The face starts on the one with the primary output.
const char* const kFramebuffer = "2400x1600x24";
const Geometry kMonitorOne{0, 0, 800, 1600};
const Geometry kMonitorTwo{800, 0, 1600, 1600};
const char* const kScaleFactors = "QT_SCREEN_SCALE_FACTORS=ONE=1;TWO=2";
// Where the drags take the pointer, holding the face at its left cheek's edge.
constexpr int kOnTwoX = 1100, kOnOneX = 300;

enum class Compositor { kNone, kStandIn, kXcompmgr };

struct Case {
    const char* name;
    Compositor compositor;
    bool startsOn2x;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

bool Inside(const Geometry& inner, const Geometry& outer) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

// Whether the face's outline at `density` holds window pixel (x, y): the skin's non-white
// pixels. At 1x taken from the window's corner, never the skin's last row or column; at 2x
// where the skin is drawn, inside the face's frame, never its last column.
class Outline {
public:
    Outline()
        : sparse_(TAVRIN_SOURCE_DIR "/data/pictures/skin.bmp"),
          dense_(TAVRIN_SOURCE_DIR "/data/pictures/skin@2x.png") {}
    bool Loaded() const {
        return sparse_.size() == QSize(369, 369) && dense_.size() == QSize(738, 738);
    }
    const QImage& Skin(int density) const { return density == 1 ? sparse_ : dense_; }
    bool Holds(int density, int x, int y) const {
        const QImage& skin = Skin(density);
        if (density == 1)
            return x < skin.width() - 1 && y < skin.height() - 1 && !White(skin, x, y);
        const int sx = x - density, sy = y - density;
        return sx >= 0 && sy >= 0 && sx < skin.width() - 1 && sy < skin.height() &&
               !White(skin, sx, sy);
    }

private:
    static bool White(const QImage& image, int x, int y) {
        return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
    }
    QImage sparse_, dense_;
};

class FaceOnTwoScreens : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() {
        suite_.Start("tavrin-x11-two-screens", kDesktopColour, "", kFramebuffer);
    }
    static void TearDownTestSuite() { suite_.Stop(); }

    // The two monitors, the one the face starts on holding the primary output.
    std::string SetMonitors(bool startOn2x) {
        if (!Installed("xrandr")) return "xrandr is not installed (scripts/install-deps.sh)";
        const std::string xrandr = "DISPLAY=" + x().display() + " xrandr ";
        x11::Run(xrandr + "--delmonitor ONE 2>&1; " + xrandr + "--delmonitor TWO 2>&1");
        // A starred name makes a monitor the primary one, which Qt centres the face on.
        const std::string one = startOn2x ? "ONE" : "'*ONE'";
        const std::string two = startOn2x ? "'*TWO'" : "TWO";
        const Output set =
            x11::Run(xrandr + "--setmonitor " + one + " 800/211x1600/423+0+0 " +
                     (startOn2x ? "none" : "screen") + " 2>&1 && " + xrandr + "--setmonitor " +
                     two + " 1600/423x1600/423+800+0 " + (startOn2x ? "screen" : "none") +
                     " 2>&1 && " + xrandr + "--listmonitors");
        if (set.status != 0 || set.text.find("Monitors: 2") == std::string::npos)
            return "xrandr could not make two monitors: " + set.text;
        return {};
    }

    void SetUp() override {
        if (!suite_.skipReason().empty()) GTEST_SKIP() << suite_.skipReason();
        ASSERT_TRUE(suite_.startError().empty()) << suite_.startError();
        ASSERT_EQ(SetMonitors(GetParam().startsOn2x), "");
        ASSERT_TRUE(outline_.Loaded());
        display_ = XOpenDisplay(x().display().c_str());
        ASSERT_NE(display_, nullptr);
        StartCompositor();
        if (HasFatalFailure() || IsSkipped()) return;
        const std::string config = suite_.folder() + "/config";
        fs::create_directories(config);
        fs::create_directories(suite_.folder() + "/runtime");
        fs::permissions(suite_.folder() + "/runtime", fs::perms::owner_all);
        log_ = suite_.folder() + "/program.log";
        ASSERT_TRUE(program_.Start({TAVRIN_BINARY_DIR "/bin/tavrin"},
                                   {"DISPLAY=" + x().display(), "XDG_CONFIG_HOME=" + config,
                                    "XDG_RUNTIME_DIR=" + suite_.folder() + "/runtime",
                                    "QT_QPA_PLATFORM=xcb", kScaleFactors, "SDL_AUDIODRIVER=dummy"},
                                   log_));
        const Output found =
            x().Xdotool("search --sync --onlyvisible --pid " + std::to_string(program_.pid()));
        std::istringstream(found.text) >> face_;
        ASSERT_NE(face_, 0u) << "the face window did not show; program output:\n" << ReadFile(log_);
    }

    void TearDown() override {
        if (HasFailure() && !log_.empty())
            std::cerr << "program output:\n" << ReadFile(log_) << '\n';
        program_.Stop();
        compositor_.Stop();
        if (standIn_) XDestroyWindow(display_, standIn_);
        if (display_) XCloseDisplay(display_);
    }

    static XServer& x() { return suite_.x(); }

    bool CompositorOwnsTheScreen() {
        return XGetSelectionOwner(display_, XInternAtom(display_, "_NET_WM_CM_S0", False)) != 0;
    }

    void StartCompositor() {
        switch (GetParam().compositor) {
            case Compositor::kNone:
                return;
            case Compositor::kStandIn:
                // Only claims the compositor's selection: the window is shown as it is drawn,
                // its transparent pixels black.
                standIn_ =
                    XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
                XSetSelectionOwner(display_, XInternAtom(display_, "_NET_WM_CM_S0", False),
                                   standIn_, CurrentTime);
                XSync(display_, False);
                return;
            case Compositor::kXcompmgr:
                if (!Installed("xcompmgr")) {
                    // CI installs it with the other X tools; there it must run.
                    ASSERT_EQ(std::getenv("CI"), nullptr) << "xcompmgr is not installed";
                    GTEST_SKIP() << "xcompmgr is not installed (scripts/install-deps.sh "
                                    "installs it)";
                }
                {
                    // xcompmgr draws the desktop from the picture desktop setters announce,
                    // grey without one: the desktop's colour, as long as this connection lasts.
                    const Window root = DefaultRootWindow(display_);
                    const Pixmap tile = XCreatePixmap(
                        display_, root, 1, 1, DefaultDepth(display_, DefaultScreen(display_)));
                    GC gc = XCreateGC(display_, tile, 0, nullptr);
                    XSetForeground(display_, gc,
                                   (kDesktop.r << 16) | (kDesktop.g << 8) | kDesktop.b);
                    XFillRectangle(display_, tile, gc, 0, 0, 1, 1);
                    XFreeGC(display_, gc);
                    XChangeProperty(display_, root, XInternAtom(display_, "_XROOTPMAP_ID", False),
                                    XA_PIXMAP, 32, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(&tile), 1);
                    XSync(display_, False);
                }
                ASSERT_TRUE(compositor_.Start({"xcompmgr"}, {"DISPLAY=" + x().display()},
                                              suite_.folder() + "/xcompmgr.log"));
                ASSERT_TRUE(WaitFor([&] { return CompositorOwnsTheScreen(); }))
                    << "xcompmgr never took the screen:\n"
                    << ReadFile(suite_.folder() + "/xcompmgr.log");
                return;
        }
    }

    Geometry Face() { return x().WindowGeometry(face_).value_or(Geometry{}); }

    // Drags the face by a point of its skin (its left cheek's edge) until the pointer is at
    // `toX` on the same row.
    void DragTo(int toX) {
        const Geometry g = Face();
        const int density = g.width / 370;
        const int fromX = g.x + 40 * density, y = g.y + 170 * density;
        std::ostringstream drag;
        drag << "mousemove " << fromX << ' ' << y << " mousedown 1";
        const int steps = 12;
        for (int i = 1; i <= steps; ++i)
            drag << " sleep 0.05 mousemove " << fromX + (toX - fromX) * i / steps << ' ' << y;
        drag << " sleep 0.1 mouseup 1";
        x().Xdotool(drag.str());
    }

    // The window's pixels that differ from the outline at `density`: where the desktop shows
    // inside it or the face outside it (without a compositor, or under a real one), or where
    // the input shape differs from it (under a compositor).
    int Wrong(int density, std::ostringstream& first) {
        first.str("");
        const Geometry g = Face();
        if (g.width != 370 * density || g.height != 373 * density) {
            first << " the window is " << g.width << "x" << g.height;
            return -1;
        }
        std::vector<bool> held(static_cast<std::size_t>(g.width * g.height), false);
        if (GetParam().compositor == Compositor::kStandIn) {
            int count = 0, ordering = 0;
            XRectangle* input = XShapeGetRectangles(display_, face_, ShapeInput, &count, &ordering);
            for (int i = 0; i < count; ++i)
                for (int y = input[i].y; y < input[i].y + input[i].height; ++y)
                    for (int x = input[i].x; x < input[i].x + input[i].width; ++x)
                        if (x >= 0 && y >= 0 && x < g.width && y < g.height)
                            held[static_cast<std::size_t>(y * g.width + x)] = true;
            if (input) XFree(input);
        } else {
            const std::vector<Rgb> screen = x().Grab(g);
            if (screen.size() != held.size()) return -1;
            for (std::size_t i = 0; i < held.size(); ++i) held[i] = !(screen[i] == kDesktop);
        }
        int wrong = 0;
        first.str("");
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x)
                if (outline_.Holds(density, x, y) !=
                        held[static_cast<std::size_t>(y * g.width + x)] &&
                    wrong++ < 5)
                    first << " (" << x << ", " << y << ")";
        return wrong;
    }

    // The face on `monitor` at `density`: its size, its outline, and the skin and the pointer
    // drawn for the density.
    void ExpectFaceOn(const Geometry& monitor, int density) {
        std::ostringstream first;
        int wrong = -1;
        EXPECT_TRUE(WaitFor([&] { return (wrong = Wrong(density, first)) == 0; }, 10s))
            << wrong << " pixels where the outline differs from the " << density
            << "x skin, first:" << first.str();
        const Geometry g = Face();
        EXPECT_TRUE(Inside(g, monitor)) << "the face is at " << g.x << "," << g.y;

        // The left ear, inside its rim: the skin of this density itself, not another scaled.
        const QImage& skin = outline_.Skin(density);
        const QRect crop(20 * density, 40 * density, 30 * density, 15 * density);
        const std::vector<Rgb> shown = x().Grab(
            {g.x + crop.x() + density, g.y + crop.y() + density, crop.width(), crop.height()});
        int unlike = 0;
        for (int y = 0; y < crop.height(); ++y)
            for (int x = 0; x < crop.width(); ++x) {
                const QRgb p = skin.pixel(crop.x() + x, crop.y() + y);
                unlike += !(shown[static_cast<std::size_t>(y * crop.width() + x)] ==
                            Rgb{qRed(p), qGreen(p), qBlue(p)});
            }
        EXPECT_EQ(unlike, 0) << "of the ear's pixels, unlike the " << density << "x skin";

        // With the eyes at rest (the dialog is open), the frame they rest on, drawn for the
        // density.
        if (restingFrame_ > 0) {
            int frame = 0;
            EXPECT_TRUE(WaitFor([&] { return (frame = EyeFrame(g, density)) == restingFrame_; }))
                << "the eye shows frame " << frame << " (0: none) of the " << density
                << "x frames, not " << restingFrame_;
        }

        // The face's pointer, drawn for the density.
        x().Xdotool("mousemove " + std::to_string(g.x + 40 * density) + " " +
                    std::to_string(g.y + 170 * density));
        std::optional<PointerPicture> pointer;
        EXPECT_TRUE(WaitFor([&] {
            pointer = x().Pointer();
            return pointer && pointer->width == 32 * density;
        })) << "the pointer is "
            << (pointer ? pointer->width : 0) << " pixels wide";
    }

    // Which of the eye frames 1 to 8 at `density` the left eye shows, 0 for none.
    int EyeFrame(const Geometry& g, int density) {
        const std::vector<Rgb> eye =
            x().Grab({g.x + 73 * density, g.y + 137 * density, 97 * density, 49 * density});
        for (int n = 1; n <= 8; ++n) {
            const QImage frame(
                QString(TAVRIN_SOURCE_DIR "/data/eye/%1%2").arg(n).arg(density == 1 ? "" : "@2x"),
                density == 1 ? "BMP" : "PNG");
            bool same = frame.size() == QSize(97, 49) * density;
            for (int i = 0; same && i < frame.width() * frame.height(); ++i) {
                const QRgb p = frame.pixel(i % frame.width(), i / frame.width());
                same = eye[static_cast<std::size_t>(i)] == Rgb{qRed(p), qGreen(p), qBlue(p)};
            }
            if (same) return n;
        }
        return 0;
    }

    static inline SuiteXServer suite_;
    // The eye frame shown while the dialog is open, 0 before.
    int restingFrame_ = 0;
    Outline outline_;
    Display* display_ = nullptr;
    Window standIn_ = 0;
    ChildProcess compositor_;
    ChildProcess program_;
    unsigned long face_ = 0;
    std::string log_;
};

TEST_P(FaceOnTwoScreens, FollowsDragsBothWaysAcrossAndQuitsWhereItLands) {
    // Across, back, and across again, each time checked where it lands.
    int density = GetParam().startsOn2x ? 2 : 1;
    for (int stop = 0; stop < 4; ++stop) {
        if (stop > 0) {
            density = 3 - density;
            DragTo(density == 2 ? kOnTwoX : kOnOneX);
        }
        SCOPED_TRACE("stop " + std::to_string(stop) + ", on the " + std::to_string(density) +
                     "x monitor");
        ExpectFaceOn(density == 2 ? kMonitorTwo : kMonitorOne, density);
        if (stop == 0) {
            // 出题 opens the dialog, and the eyes rest until it closes: no later frame of
            // theirs redraws them for the new monitor.
            const Geometry g = Face();
            x().Xdotool("mousemove " + std::to_string(g.x + 60 * density) + " " +
                        std::to_string(g.y + 70 * density) + " click 1");
            ASSERT_TRUE(WaitFor([&] { return x().VisibleWindows(program_.pid()).size() == 2; }))
                << "出题 opened no dialog";
            ASSERT_TRUE(WaitFor([&] { return (restingFrame_ = EyeFrame(Face(), density)) > 0; }))
                << "the eye shows none of its frames";
        }
    }
    // 退出 on the right ear, where it is drawn.
    const Geometry g = Face();
    x().Xdotool("mousemove " + std::to_string(g.x + 320 * density) + " " +
                std::to_string(g.y + 70 * density) + " click 1");
    EXPECT_EQ(program_.WaitExit(10s), std::optional<int>(0)) << "a click on 退出 did not quit";
}

INSTANTIATE_TEST_SUITE_P(
    Compositors, FaceOnTwoScreens,
    ::testing::Values(Case{"From1xWithoutACompositor", Compositor::kNone, false},
                      Case{"From2xWithoutACompositor", Compositor::kNone, true},
                      Case{"From1xUnderAStandInCompositor", Compositor::kStandIn, false},
                      Case{"From2xUnderAStandInCompositor", Compositor::kStandIn, true},
                      Case{"From1xUnderXcompmgr", Compositor::kXcompmgr, false},
                      Case{"From2xUnderXcompmgr", Compositor::kXcompmgr, true}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::x11
