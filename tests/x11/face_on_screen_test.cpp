// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a real X server: what the child sees on the desktop and
// what the mouse does there, which offscreen widget tests cannot show.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "x_session.h"

namespace tavrin::x11 {
namespace {

namespace fs = std::filesystem;

const char* const kDesktopColour = "#3070b0";
const Rgb kDesktop{0x30, 0x70, 0xb0};
constexpr int kFaceWidth = 370;
constexpr int kFaceHeight = 373;

// Places on the face, relative to the window's top-left corner.
struct Point {
    int x, y;
};
constexpr Point kForehead{40, 170};  // the green face beside the left eye
constexpr Point kLeftCheek{60, 230};
constexpr Point kNewSetLabel{74, 82};  // 出题 on the left ear
constexpr Point kQuitLabel{330, 82};   // 退 出 on the right ear
constexpr Point kAnswerBox{184, 316};
constexpr Point kScoreButton{116, 320};
// The white ground around the head, inside the window's rectangle.
constexpr Point kGround[] = {{0, 0}, {369, 0}, {0, 372}, {369, 372},
                             {5, 5}, {365, 5}, {5, 365}, {365, 365}};

// The question-set dialog, relative to its outer corner (a 2-pixel frame).
constexpr Point kAdditionBox{18, 42};
constexpr Point kRangeBox{78, 78};
constexpr Point kCountBox{158, 103};
constexpr Point kOkButton{222, 78};

class FaceOnScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        suite_.Start(
            "tavrin-x11", kDesktopColour,
            " (scripts/install-deps.sh installs it); the tests on a real X server are skipped");
    }
    static void TearDownTestSuite() { suite_.Stop(); }

    void SetUp() override {
        if (!suite_.skipReason().empty()) GTEST_SKIP() << suite_.skipReason();
        ASSERT_TRUE(suite_.startError().empty()) << suite_.startError();
        config_ = suite_.folder() + "/config-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(config_);
        fs::create_directories(suite_.folder() + "/runtime");
        fs::permissions(suite_.folder() + "/runtime", fs::perms::owner_all);
        log_ = config_ + ".log";
        ASSERT_TRUE(program_.Start({TAVRIN_BINARY_DIR "/bin/tavrin"},
                                   {"DISPLAY=" + x().display(), "XDG_CONFIG_HOME=" + config_,
                                    // The practice record goes to the test's folder, never
                                    // into the home folder of whoever runs the tests.
                                    "XDG_DATA_HOME=" + config_ + "/data",
                                    "XDG_RUNTIME_DIR=" + suite_.folder() + "/runtime",
                                    "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=dummy"},
                                   log_));
        const Output found =
            x().Xdotool("search --sync --onlyvisible --pid " + std::to_string(program_.pid()));
        std::istringstream(found.text) >> face_;
        ASSERT_NE(face_, 0u) << "the face window did not show; program output:\n" << ReadFile(log_);
        const auto g = x().WindowGeometry(face_);
        ASSERT_TRUE(g);
        ASSERT_EQ(g->width, kFaceWidth);
        ASSERT_EQ(g->height, kFaceHeight);
        // Painted once the cheek shows its colour.
        ASSERT_TRUE(WaitFor([&] {
            return At(kLeftCheek) == Rgb{0xC0, 0x40, 0x00};
        })) << "the face was never painted";
    }

    void TearDown() override {
        // Under the sanitizers a fault shows only in how the program ended and in its log.
        const auto stopped = program_.Stop();
        if (!log_.empty()) {
            EXPECT_EQ(ProgramTrouble(stopped, log_), "");
            if (HasFailure()) std::cerr << "program output:\n" << ReadFile(log_) << '\n';
        }
    }

    static XServer& x() { return suite_.x(); }

    Geometry Face() { return x().WindowGeometry(face_).value_or(Geometry{-1, -1, 0, 0}); }
    Point Screen(Point p) {
        const Geometry g = Face();
        return {g.x + p.x, g.y + p.y};
    }
    Rgb At(Point p) {
        const Point s = Screen(p);
        return x().Pixel(s.x, s.y);
    }

    // Windows of the program on show other than the face.
    std::vector<unsigned long> OtherWindows() {
        std::vector<unsigned long> others;
        for (unsigned long w : x().VisibleWindows(program_.pid()))
            if (w != face_) others.push_back(w);
        return others;
    }
    bool MenuOpen() {
        for (unsigned long w : OtherWindows())
            if (x().OverrideRedirect(w)) return true;
        return false;
    }

    // Clicks 出题 and returns the dialog it opened, or 0 when none opened.
    unsigned long OpenDialog() {
        Xdo(MoveTo(Screen(kNewSetLabel)) + " click 1");
        unsigned long dialog = 0;
        WaitFor([&] {
            const auto others = OtherWindows();
            dialog = others.size() == 1 ? others.front() : 0;
            return dialog != 0;
        });
        return dialog;
    }

    void Xdo(const std::string& arguments) {
        ASSERT_EQ(x().Xdotool(arguments).status, 0) << "xdotool " << arguments;
    }
    static std::string MoveTo(Point screen) {
        return "mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y);
    }

    // Presses `button` at a face point and moves the pointer in steps of
    // (dx, dy), waiting after each for the face to follow; returns where the
    // face ended.
    Geometry DragFace(Point from, int button, int steps, int dx, int dy) {
        const Geometry start = Face();
        const std::string b = std::to_string(button);
        x().Xdotool(MoveTo({start.x + from.x, start.y + from.y}) + " mousedown " + b);
        for (int i = 1; i <= steps; ++i) {
            x().Xdotool("mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy));
            const int wantX = start.x + i * dx, wantY = start.y + i * dy;
            const bool followed = WaitFor([&] {
                const Geometry g = Face();
                return g.x == wantX && g.y == wantY;
            });
            EXPECT_TRUE(followed) << "step " << i << " of a button " << button << " drag";
            if (!followed) break;
        }
        x().Xdotool("mouseup " + b);
        return Face();
    }

    static inline SuiteXServer suite_;
    ChildProcess program_;
    unsigned long face_ = 0;
    std::string config_, log_;
};

TEST_F(FaceOnScreen, ShowsTheDesktopThroughTheWhiteGroundAndTheFaceElsewhere) {
    for (Point p : kGround)
        EXPECT_EQ(At(p), kDesktop) << "window pixel (" << p.x << ", " << p.y << ")";
    EXPECT_EQ(At(kLeftCheek), (Rgb{0xC0, 0x40, 0x00}));
    EXPECT_EQ(At({280, 236}), (Rgb{0xC0, 0x00, 0x00}));  // right cheek
    EXPECT_EQ(At({184, 200}), (Rgb{0x80, 0x80, 0x80}));  // nose
    const Rgb forehead = At(kForehead);
    EXPECT_TRUE(forehead.g > forehead.r && forehead.g > forehead.b) << "not green";

    // Pixel for pixel: the shape keeps exactly the skin's non-white pixels,
    // taken from the window's corner although the skin itself is drawn one
    // pixel further in, and never the skin's last row or column.
    const QImage skin(TAVRIN_SOURCE_DIR "/data/pictures/skin.bmp");
    ASSERT_EQ(skin.size(), QSize(369, 369));
    const Geometry g = Face();
    const std::vector<Rgb> screen = x().Grab(g);
    ASSERT_EQ(screen.size(), static_cast<std::size_t>(kFaceWidth * kFaceHeight));
    int wrong = 0, shown = 0;
    std::ostringstream firstWrong;
    for (int y = 0; y < kFaceHeight; ++y)
        for (int x = 0; x < kFaceWidth; ++x) {
            const bool inShape =
                x < skin.width() - 1 && y < skin.height() - 1 && skin.pixel(x, y) != 0xFFFFFFFFu;
            const bool desktop = screen[static_cast<std::size_t>(y * kFaceWidth + x)] == kDesktop;
            shown += !desktop;
            if (inShape == desktop) {
                if (wrong++ < 5) firstWrong << " (" << x << ", " << y << ")";
            }
        }
    EXPECT_EQ(wrong, 0) << "pixels where the window's shape differs from the face, first:"
                        << firstWrong.str();
    EXPECT_GT(shown, kFaceWidth * kFaceHeight / 2);
}

TEST_F(FaceOnScreen, ClicksOnTheCutAwayGroundPassThroughWhileTheFaceOpensTheMenu) {
    const Geometry before = Face();
    // A right click, and drags with either button, that would open the menu or
    // move the window had they reached it.
    for (Point p : {kGround[4], kGround[5]}) {
        Xdo(MoveTo(Screen(p)) + " click 3");
        Xdo(MoveTo(Screen(p)) + " mousedown 1 mousemove_relative -- 30 20 mouseup 1");
        Xdo(MoveTo(Screen(p)) + " mousedown 3 mousemove_relative -- 20 30 mouseup 3");
    }
    // Events arrive in order, so a drag of the face afterwards would carry any
    // earlier displacement with it, and would not start under an open menu.
    const Geometry after = DragFace(kForehead, 1, 1, 10, 0);
    EXPECT_EQ(after.x, before.x + 10);
    EXPECT_EQ(after.y, before.y);
    EXPECT_FALSE(MenuOpen());

    Xdo(MoveTo(Screen(kLeftCheek)) + " click 3");
    ASSERT_TRUE(WaitFor([&] { return MenuOpen(); })) << "a right click on the face opened no menu";
    Xdo("key Escape");
    EXPECT_TRUE(WaitFor([&] { return !MenuOpen(); })) << "Escape left the menu open";
    EXPECT_EQ(Face().x, after.x) << "a right click that did not move dragged the face";

    // Without a tray, the keyboard's menu key reaches the menu as well.
    Xdo(MoveTo(Screen(kForehead)) + " key Menu");
    ASSERT_TRUE(WaitFor([&] { return MenuOpen(); })) << "the menu key opened no menu";
    Xdo("key Escape");
    EXPECT_TRUE(WaitFor([&] { return !MenuOpen(); }));
}

// Without a window manager nobody else hands the keyboard back: after 离开 the
// answer box takes typing at once, and its menu key opens the program's pink
// menu, not the box's own editing menu.
TEST_F(FaceOnScreen, AfterAboutTheAnswerBoxTypesAndItsMenuKeyOpensTheProgramsMenu) {
    Xdo(MoveTo(Screen(kAnswerBox)) + " click 1");
    Xdo(MoveTo(Screen(kForehead)) + " click 3");
    ASSERT_TRUE(WaitFor([&] { return MenuOpen(); }));
    Xdo("key --delay 40 Down Down Down Down Down Down Right Return");  // 关于作者(W)
    std::optional<Geometry> about;
    ASSERT_TRUE(WaitFor([&] {
        for (unsigned long w : OtherWindows())
            if ((about = x().WindowGeometry(w)) && about->width == 424) return true;
        return false;
    })) << "the About window did not open";
    Xdo(MoveTo({about->x + 376, about->y + 376}) + " click 1");
    ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "离开 left it open";

    ASSERT_TRUE(x().Keys("7 7"));
    const Point s = Screen({155, 306});
    const auto ink = [&] {
        int white = 0;
        for (const Rgb& p : x().Grab({s.x, s.y, 60, 20})) white += p.r > 200 && p.g > 200;
        return white;
    };
    EXPECT_TRUE(WaitFor([&] { return ink() > 25; })) << "the answer box took no typing";

    ASSERT_TRUE(x().Keys("Menu"));
    unsigned long menu = 0;
    ASSERT_TRUE(WaitFor([&] {
        for (unsigned long w : OtherWindows())
            if (x().OverrideRedirect(w)) menu = w;
        return menu != 0;
    })) << "the menu key opened no menu";
    const auto g = x().WindowGeometry(menu);
    ASSERT_TRUE(g);
    EXPECT_TRUE(WaitFor([&] {
        return x().Pixel(g->x + g->width - 4, g->y + 2) == Rgb{255, 192, 255};
    })) << "not the program's menu";
    Xdo("key Escape");
    EXPECT_TRUE(WaitFor([&] { return !MenuOpen(); }));
}

TEST_F(FaceOnScreen, DraggingTheFaceMovesTheWindowByThePointersDisplacement) {
    const Geometry start = Face();
    Geometry now = DragFace(kForehead, 1, 6, 7, -4);
    EXPECT_EQ(now.x, start.x + 42);
    EXPECT_EQ(now.y, start.y - 24);

    // The right button drags as well, and releasing it after moving opens no menu.
    const Geometry right = DragFace(kLeftCheek, 3, 3, -10, 6);
    EXPECT_EQ(right.x, now.x - 30);
    EXPECT_EQ(right.y, now.y + 18);
    now = Face();

    // Presses on the answer box and on a button belong to them: moving away
    // drags nothing (and releasing away from the button presses nothing).
    for (Point p : {kAnswerBox, kScoreButton})
        Xdo(MoveTo(Screen(p)) + " mousedown 1 mousemove_relative -- 25 -60 mouseup 1");
    const Geometry after = DragFace(kForehead, 1, 1, -5, 5);
    EXPECT_EQ(after.x, now.x - 5);
    EXPECT_EQ(after.y, now.y + 5);
    EXPECT_TRUE(OtherWindows().empty()) << "a window opened during the drags";
}

// A child drags quickly: several moves reach the program before the window
// has followed the first, and the grabbed point must still end under the
// pointer, neither ahead of it nor behind.
TEST_F(FaceOnScreen, QuickSweepsEndWithTheGrabbedPointUnderThePointer) {
    Xdo(MoveTo(Screen(kForehead)));
    for (int sweep = 0; sweep < 10; ++sweep) {
        const Geometry start = Face();
        const int dx = sweep % 2 ? -6 : 6, dy = sweep % 4 < 2 ? 4 : -4;
        const std::string b = sweep % 3 == 2 ? "3" : "1";
        std::string moves;
        for (int i = 0; i < 5; ++i)
            moves += " mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy);
        Xdo("mousedown " + b + moves + " mouseup " + b);
        const bool followed = WaitFor(
            [&] {
                const Geometry g = Face();
                return g.x == start.x + 5 * dx && g.y == start.y + 5 * dy;
            },
            2s);
        const Geometry g = Face();
        ASSERT_TRUE(followed) << "sweep " << sweep << " by (" << 5 * dx << ", " << 5 * dy
                              << ") moved the face by (" << g.x - start.x << ", " << g.y - start.y
                              << ")";
    }
    EXPECT_FALSE(MenuOpen());
}

TEST_F(FaceOnScreen, AShortSessionFromTheDialogToQuitting) {
    // The three places where a question's parts stand: left cheek, nose, right cheek.
    const Geometry face = Face();
    const Geometry parts[] = {{face.x + 70, face.y + 205, 80, 62},
                              {face.x + 165, face.y + 205, 40, 62},
                              {face.x + 220, face.y + 205, 80, 62}};
    std::vector<std::vector<Rgb>> empty;
    for (const Geometry& part : parts) empty.push_back(x().Grab(part));

    const unsigned long dialog = OpenDialog();
    ASSERT_NE(dialog, 0u) << "出题 opened no dialog";
    const auto g = x().WindowGeometry(dialog);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->x, 0);
    EXPECT_EQ(g->y, 0);
    EXPECT_EQ(g->width, 260);
    EXPECT_EQ(g->height, 123);

    const auto at = [&](Point p) { return MoveTo({g->x + p.x, g->y + p.y}); };
    Xdo(at(kAdditionBox) + " click 1");
    Xdo(at(kRangeBox) + " click 1 type 10");
    Xdo(at(kCountBox) + " click 1 type 1");
    Xdo(at(kOkButton) + " click 1");
    EXPECT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "OK left the dialog open";

    const auto changed = [&](std::size_t i) {
        const std::vector<Rgb> now = x().Grab(parts[i]);
        int differing = 0;
        for (std::size_t k = 0; k < now.size() && k < empty[i].size(); ++k)
            differing += !(now[k] == empty[i][k]);
        return differing > 30;
    };
    for (std::size_t i = 0; i < std::size(parts); ++i)
        EXPECT_TRUE(WaitFor([&] { return changed(i); })) << "question part " << i << " not shown";

    // 退 出 quits on the press itself, without waiting for the release.
    Xdo(MoveTo(Screen(kQuitLabel)) + " mousedown 1");
    const std::optional<int> status = program_.WaitExit(5s);
    x().Xdotool("mouseup 1");
    ASSERT_TRUE(status) << "the program was still running 5 s after 退 出";
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(fs::exists(config_ + "/tavrin")) << "a session with no option switched wrote "
                                                     "settings";
}

// Where the white ink of a caption lies across a strip of the face: its left-most
// and right-most columns, or nothing when the strip holds no caption.
std::optional<std::pair<int, int>> InkColumns(const std::vector<Rgb>& strip, int width) {
    int left = width, right = -1;
    for (std::size_t i = 0; i < strip.size(); ++i) {
        const Rgb& p = strip[i];
        if (p.r < 200 || p.g < 200 || p.b < 200) continue;
        const int x = static_cast<int>(i) % width;
        left = std::min(left, x);
        right = std::max(right, x);
    }
    if (right < 0) return std::nullopt;
    return std::pair{left, right};
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// A child's afternoon, through X events only: three sets answered at the
// keyboard, the About window opened and closed twice (once in the middle of a
// set), both options switched from the menu, the face dragged about.
TEST_F(FaceOnScreen, LivesThroughAnAfternoonOfPractice) {
    const auto openMenuAndPress = [&](const std::string& keys) {
        // On a loaded machine a click can come while the last menu is still being
        // taken down; a child would simply click again.
        bool open = false;
        for (int attempt = 0; attempt < 3 && !open; ++attempt) {
            Xdo(MoveTo(Screen(kForehead)) + " click 3");
            open = WaitFor([&] { return MenuOpen(); }, 2s);
        }
        ASSERT_TRUE(open) << "no menu for " << keys;
        Xdo("key --delay 40 " + keys);
        ASSERT_TRUE(WaitFor([&] { return !MenuOpen(); })) << keys << " left the menu open";
    };
    openMenuAndPress("Down Down Return");            // 打开语音提示(D)
    openMenuAndPress("Down Down Down Down Return");  // 打开音效功能
    const auto bothOptionsStored = [&] {
        const std::string settings = ReadFile(config_ + "/tavrin/Qbx_R");
        return settings.size() == 23 && settings.starts_with("[menu]\n") &&
               settings.find("menu3=1\n") != std::string::npos &&
               settings.find("menu6=1\n") != std::string::npos;
    };
    EXPECT_TRUE(bothOptionsStored()) << ReadFile(config_ + "/tavrin/Qbx_R");

    const auto aboutVisitCloses = [&] {
        openMenuAndPress("Down Down Down Down Down Down Right Return");  // 关于…… › 关于作者(W)
        std::optional<Geometry> about;
        ASSERT_TRUE(WaitFor([&] {
            for (unsigned long w : OtherWindows()) {
                about = x().WindowGeometry(w);
                if (about && about->width == 424) return true;
            }
            return false;
        })) << "the About window did not open";
        Xdo(MoveTo({about->x + 376, about->y + 376}) + " click 1");  // its leave button
        ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "离开 left it open";
        ASSERT_TRUE(program_.Running()) << "closing the About window ended the program";
    };
    // The box holds typed text while more than a cursor's worth of it is white.
    const auto answerBoxInk = [&] {
        const Point s = Screen({155, 306});
        int white = 0;
        for (const Rgb& p : x().Grab({s.x, s.y, 60, 20})) white += p.r > 200 && p.g > 200;
        return white;
    };
    // The first operand is centred on 96 + 31/2 and the sign on 172 + 27/2. A
    // caption's ink is not quite centred in its own box: the operand begins with
    // a blank, so its ink lies about half a blank (14 px) right of the centre,
    // and glyphs have uneven side bearings (× sits 6 px left, digits vary by a
    // few pixels). A label that wandered a pixel with each caption would leave
    // these bands within a few questions.
    const auto questionStaysCentred = [&](int set, int q) {
        const Point cheek = Screen({16, 205}), nose = Screen({164, 205});
        bool centred = false;
        std::string seen;
        WaitFor(
            [&] {
                const auto operand = InkColumns(x().Grab({cheek.x, cheek.y, 145, 62}), 145);
                const auto sign = InkColumns(x().Grab({nose.x, nose.y, 42, 62}), 42);
                if (!operand || !sign) return false;
                const double operandOffset = 16 + (operand->first + operand->second) / 2.0 - 111.5;
                const double signOffset = 164 + (sign->first + sign->second) / 2.0 - 185.5;
                seen = "operand ink " + std::to_string(operandOffset) + " px and sign ink " +
                       std::to_string(signOffset) + " px from their label centres";
                centred = operandOffset >= 9 && operandOffset <= 19 && signOffset >= -8 &&
                          signOffset <= 2;
                return centred;
            },
            1s);
        EXPECT_TRUE(centred) << "set " << set << ", question " << q << ": " << seen;
        return centred;
    };

    [[maybe_unused]] long residentAfterFirstSet = 0;
    unsigned seed = 20261209;
    const int counts[] = {20, 100, 40};
    for (int set = 0; set < 3; ++set) {
        const unsigned long dialog = OpenDialog();
        ASSERT_NE(dialog, 0u) << "出题 opened no dialog";
        const Geometry d = x().WindowGeometry(dialog).value_or(Geometry{});
        const auto at = [&](Point p) { return MoveTo({d.x + p.x, d.y + p.y}); };
        for (int box = 0; box < 4; ++box)  // 加法 减法 乘法 除法
            Xdo(MoveTo({d.x + 18 + box * (box < 2 ? 64 : 60), d.y + 42}) + " click 1");
        Xdo(at(kRangeBox) + " click 1 type 20");
        Xdo(at(kCountBox) + " click 1 type " + std::to_string(counts[set]));
        Xdo(at(kOkButton) + " click 1");
        ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "OK left the dialog open";

        for (int q = 0; q < counts[set]; ++q) {
            if (!questionStaysCentred(set, q)) return;
            if (set == 1 && q == 50) {
                aboutVisitCloses();
                Xdo(MoveTo(Screen(kAnswerBox)) + " click 1");
            }
            if (set == 2 && q == 10) DragFace(kForehead, 1, 3, 9, -6);
            seed = seed * 1103515245u + 12345u;
            std::string keys;
            for (char digit : std::to_string((seed >> 16) % 21))
                keys += std::string(1, digit) + " ";
            ASSERT_TRUE(x().Keys(keys));
            ASSERT_TRUE(WaitFor([&] { return answerBoxInk() > 25; }))
                << "the answer box took no typing at set " << set << ", question " << q;
            ASSERT_TRUE(x().Keys(q % 2 ? "Return" : "KP_Enter"));
            if (q + 1 == counts[set]) break;  // the last answer brings a message box
            ASSERT_TRUE(WaitFor([&] { return answerBoxInk() < 25; }))
                << "Enter did not confirm at set " << set << ", question " << q;
        }
        // "你的题目做完了，看看你得了多少分": the box goes with Enter.
        ASSERT_TRUE(WaitFor([&] { return !OtherWindows().empty(); })) << "no message at the end";
        Xdo("key Return");
        ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "the message stayed";
        Xdo(MoveTo(Screen(kScoreButton)) + " click 1");
        if (set == 0) {
            aboutVisitCloses();
            residentAfterFirstSet = ResidentKiB(program_.pid());
        }
    }
    ASSERT_TRUE(program_.Running());
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer holds freed memory in quarantine, so only a plain build can tell.
    const long residentAtEnd = ResidentKiB(program_.pid());
    EXPECT_LE(std::abs(residentAtEnd - residentAfterFirstSet), 5 * 1024)
        << "resident memory went from " << residentAfterFirstSet << " KiB to " << residentAtEnd;
#endif
    EXPECT_TRUE(bothOptionsStored()) << ReadFile(config_ + "/tavrin/Qbx_R");
}

// The child misses a fact, marks the set, and 复习错题 brings the same fact back; the
// record then holds both answers to it. Before anything is recorded, the item only says
// that there is nothing to review.
TEST_F(FaceOnScreen, AMissedFactComesBackInTheReviewSet) {
    const auto chooseReview = [&] {
        bool open = false;
        for (int attempt = 0; attempt < 3 && !open; ++attempt) {
            Xdo(MoveTo(Screen(kForehead)) + " click 3");
            open = WaitFor([&] { return MenuOpen(); }, 2s);
        }
        ASSERT_TRUE(open) << "no menu";
        Xdo("key --delay 40 Up Return");  // the last item, 复习错题
        ASSERT_TRUE(WaitFor([&] { return !MenuOpen(); })) << "the menu stayed open";
    };
    const auto dismissMessage = [&](const std::string& when) {
        ASSERT_TRUE(WaitFor([&] { return !OtherWindows().empty(); })) << "no message " << when;
        Xdo("key Return");
        ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "message stayed " << when;
    };
    const auto questionShown = [&] {
        return WaitFor([&] {
            const Point cheek = Screen({16, 205});
            return InkColumns(x().Grab({cheek.x, cheek.y, 145, 62}), 145).has_value();
        });
    };
    const auto answerAndMark = [&](const std::string& keys, const std::string& which) {
        ASSERT_TRUE(questionShown()) << "no question in the " << which;
        ASSERT_TRUE(x().Keys(keys));
        dismissMessage("at the end of the " + which);
        Xdo(MoveTo(Screen(kScoreButton)) + " click 1");
    };

    chooseReview();
    dismissMessage("when nothing is due");
    ASSERT_FALSE(InkColumns(x().Grab({Screen({16, 205}).x, Screen({16, 205}).y, 145, 62}), 145))
        << "a question appeared although nothing was due";

    // A set of one addition within 1 is always 1 ＋ 0.
    const unsigned long dialog = OpenDialog();
    ASSERT_NE(dialog, 0u) << "出题 opened no dialog";
    const Geometry d = x().WindowGeometry(dialog).value_or(Geometry{});
    const auto at = [&](Point p) { return MoveTo({d.x + p.x, d.y + p.y}); };
    Xdo(at(kAdditionBox) + " click 1");
    Xdo(at(kRangeBox) + " click 1 type 1");
    Xdo(at(kCountBox) + " click 1 type 1");
    Xdo(at(kOkButton) + " click 1");
    ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "OK left the dialog open";
    answerAndMark("5 Return", "new set");

    chooseReview();
    answerAndMark("1 Return", "review set");

    // The program's own text report lists the fact with both answers given to it.
    std::string report;
    const bool both = WaitFor(
        [&] {
            ChildProcess reader;
            const std::string out = config_ + "-report.txt";
            if (!reader.Start(
                    {TAVRIN_BINARY_DIR "/bin/tavrin", "--report", "-"},
                    {"XDG_DATA_HOME=" + config_ + "/data", "LANG=C", "QT_QPA_PLATFORM=offscreen"},
                    out) ||
                !reader.WaitExit(10s))
                return false;
            report = ReadFile(out);
            const auto due = report.find("Facts to review");
            return due != std::string::npos && report.find("1 ＋ 0", due) != std::string::npos &&
                   report.find("「5」 「1」", due) != std::string::npos;
        },
        15s);
    EXPECT_TRUE(both) << report;
}

}  // namespace
}  // namespace tavrin::x11
