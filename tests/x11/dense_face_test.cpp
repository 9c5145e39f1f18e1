// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on an X server at twice the density (QT_SCALE_FACTOR=2), read back
// pixel by pixel: the face must be drawn from its 2x pictures and shaped at screen pixels.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
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
constexpr int kDensity = 2;
constexpr int kFaceWidth = 370 * kDensity;
constexpr int kFaceHeight = 373 * kDensity;
// The skin lies inside the face's 1-pixel frame.
constexpr int kSkinOffset = 1 * kDensity;

Rgb At(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

bool White(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; }

class DenseFace : public ::testing::Test {
protected:
    static void SetUpTestSuite() { suite_.Start("tavrin-x11-dense", kDesktopColour); }
    static void TearDownTestSuite() { suite_.Stop(); }

    void SetUp() override {
        if (!suite_.skipReason().empty()) GTEST_SKIP() << suite_.skipReason();
        ASSERT_TRUE(suite_.startError().empty()) << suite_.startError();
        const std::string config = suite_.folder() + "/config";
        fs::create_directories(config);
        fs::create_directories(suite_.folder() + "/runtime");
        fs::permissions(suite_.folder() + "/runtime", fs::perms::owner_all);
        log_ = suite_.folder() + "/program.log";
        ASSERT_TRUE(program_.Start(
            {TAVRIN_BINARY_DIR "/bin/tavrin"},
            {"DISPLAY=" + x().display(), "XDG_CONFIG_HOME=" + config,
             "XDG_RUNTIME_DIR=" + suite_.folder() + "/runtime", "QT_QPA_PLATFORM=xcb",
             "QT_SCALE_FACTOR=" + std::to_string(kDensity), "SDL_AUDIODRIVER=dummy"},
            log_));
        const Output found =
            x().Xdotool("search --sync --onlyvisible --pid " + std::to_string(program_.pid()));
        std::istringstream(found.text) >> face_;
        ASSERT_NE(face_, 0u) << "the face window did not show; program output:\n" << ReadFile(log_);
        const auto g = x().WindowGeometry(face_);
        ASSERT_TRUE(g);
        face_geometry_ = *g;
        ASSERT_TRUE(WaitFor([&] {
            return Screen(120, 460) == Rgb{0xC0, 0x40, 0x00};
        })) << "the face was never painted (left cheek)";
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
    Rgb Screen(int x, int y) {
        return suite_.x().Pixel(face_geometry_.x + x, face_geometry_.y + y);
    }
    // The window's pixels as the screen shows them, one row after another.
    std::vector<Rgb> Grab(int x, int y, int w, int h) {
        return suite_.x().Grab({face_geometry_.x + x, face_geometry_.y + y, w, h});
    }

    static inline SuiteXServer suite_;
    ChildProcess program_;
    unsigned long face_ = 0;
    Geometry face_geometry_;
    std::string log_;
};

TEST_F(DenseFace, IsTwiceTheSizeAndShapedAtScreenPixelsAlongThe2xSkin) {
    EXPECT_EQ(face_geometry_.width, kFaceWidth);
    EXPECT_EQ(face_geometry_.height, kFaceHeight);
    const QImage skin(TAVRIN_SOURCE_DIR "/data/pictures/skin@2x.png");
    const QImage sparse(TAVRIN_SOURCE_DIR "/data/pictures/skin.bmp");
    ASSERT_EQ(skin.size(), QSize(369, 369) * kDensity);
    const std::vector<Rgb> screen = Grab(0, 0, kFaceWidth, kFaceHeight);
    ASSERT_EQ(screen.size(), static_cast<std::size_t>(kFaceWidth * kFaceHeight));
    const auto shown = [&](int x, int y) {
        return !(screen[static_cast<std::size_t>(y * kFaceWidth + x)] == kDesktop);
    };

    // Pixel for pixel the non-white pixels of the 2x skin where it is drawn, never the
    // last column of the face's picture (the 1x rule, now at screen pixels).
    int wrong = 0, oddSteps = 0, whiteRim = 0, unlikeSparse = 0;
    std::ostringstream firstWrong;
    for (int y = 0; y < kFaceHeight; ++y) {
        int rowStart = -1;
        for (int x = 0; x < kFaceWidth; ++x) {
            const int sx = x - kSkinOffset, sy = y - kSkinOffset;
            const bool inShape = sx >= 0 && sy >= 0 && sx < skin.width() - 1 &&
                                 sy < skin.height() && !White(skin, sx, sy);
            if (inShape != shown(x, y) && wrong++ < 5) firstWrong << " (" << x << ", " << y << ")";
            // The 1x shape blown up: each 1x pixel a 2 x 2 block, one pixel up and left of the
            // skin.
            const int ux = x / kDensity, uy = y / kDensity;
            const bool sparseShape =
                ux < sparse.width() - 1 && uy < sparse.height() - 1 && !White(sparse, ux, uy);
            unlikeSparse += sparseShape != shown(x, y);
            if (rowStart < 0 && shown(x, y)) rowStart = x;
        }
        if (rowStart < 0) continue;
        // A blown-up shape starts every run on an even column.
        oddSteps += rowStart % 2;
        const Rgb rim = screen[static_cast<std::size_t>(y * kFaceWidth + rowStart)];
        whiteRim += rim.r > 230 && rim.g > 230 && rim.b > 230;
    }
    EXPECT_EQ(wrong, 0) << "pixels where the shape differs from the 2x skin, first:"
                        << firstWrong.str();
    EXPECT_GT(oddSteps, 20) << "the outline steps by two screen pixels, as the 1x shape blown up";
    EXPECT_GT(unlikeSparse, 1000) << "the shape is the 1x shape blown up";
    EXPECT_EQ(whiteRim, 0) << "rows whose first pixel on the desktop is near-white ground";
}

// The left ear, inside its rim and clear of the caption: what the screen shows there must be
// the 2x picture itself, and not the 1x picture made bigger.
TEST_F(DenseFace, ShowsTheSkinAndTheEyesFromTheir2xPictures) {
    const QImage skin(TAVRIN_SOURCE_DIR "/data/pictures/skin@2x.png");
    const QImage sparse = QImage(TAVRIN_SOURCE_DIR "/data/pictures/skin.bmp")
                              .scaled(skin.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QRect crop(40, 80, 60, 30);  // in the 2x skin's pixels
    const std::vector<Rgb> screen =
        Grab(crop.x() + kSkinOffset, crop.y() + kSkinOffset, crop.width(), crop.height());
    int unlike2x = 0, unlike1x = 0;
    for (int y = 0; y < crop.height(); ++y)
        for (int x = 0; x < crop.width(); ++x) {
            const Rgb s = screen[static_cast<std::size_t>(y * crop.width() + x)];
            unlike2x += !(s == At(skin, crop.x() + x, crop.y() + y));
            unlike1x += !(s == At(sparse, crop.x() + x, crop.y() + y));
        }
    EXPECT_EQ(unlike2x, 0) << "of " << crop.width() * crop.height() << " pixels";
    EXPECT_GT(unlike1x, crop.width() * crop.height() / 4) << "the crop matches the 1x skin scaled";

    // The left eye (at 73, 137 on the face) shows one of the eight 2x eye frames, whole.
    const auto eyeFrame = [&]() {
        const std::vector<Rgb> eye =
            Grab(73 * kDensity, 137 * kDensity, 97 * kDensity, 49 * kDensity);
        for (int n = 1; n <= 8; ++n) {
            const QImage frame(QString(TAVRIN_SOURCE_DIR "/data/eye/%1@2x").arg(n), "PNG");
            if (frame.size() != QSize(97, 49) * kDensity) return -1;
            bool same = true;
            for (int y = 0; same && y < frame.height(); ++y)
                for (int x = 0; same && x < frame.width(); ++x)
                    same = eye[static_cast<std::size_t>(y * frame.width() + x)] == At(frame, x, y);
            if (same) return n;
        }
        return 0;
    };
    int frame = 0;
    EXPECT_TRUE(WaitFor([&] { return (frame = eyeFrame()) > 0; }))
        << "the eye shows none of the 2x frames (" << frame << ")";
}

// Nothing moves at 2x, and the pointers are drawn for the density: twice the size, the tip
// still at the hot spot.
TEST_F(DenseFace, KeepsEveryPlaceAndDrawsThePointersAtTheDensity) {
    EXPECT_EQ(Screen(280 * kDensity, 236 * kDensity), (Rgb{0xC0, 0x00, 0x00}));  // right cheek
    EXPECT_EQ(Screen(184 * kDensity, 200 * kDensity), (Rgb{0x80, 0x80, 0x80}));  // nose

    const auto pointerAt = [&](int px, int py) {
        x().Xdotool("mousemove " + std::to_string(face_geometry_.x + px * kDensity) + " " +
                    std::to_string(face_geometry_.y + py * kDensity));
        std::optional<PointerPicture> seen;
        // The face's pointers come once it has been painted.
        WaitFor([&] {
            seen = x().Pointer();
            return seen && seen->width == 32 * kDensity;
        });
        return seen.value_or(PointerPicture{});
    };
    struct Place {
        int x, y;
        const char* what;
    };
    const Place places[] = {
        {40, 170, "the face"}, {184, 316, "the answer box"}, {60, 70, "出题"}, {320, 70, "退 出"}};
    for (const Place& place : places) {
        const char* what = place.what;
        const PointerPicture p = pointerAt(place.x, place.y);
        EXPECT_EQ(p.width, 32 * kDensity) << what;
        EXPECT_EQ(p.height, 32 * kDensity) << what;
        EXPECT_EQ(p.hotX, 0) << what;
        EXPECT_EQ(p.hotY, 0) << what;
    }
}

}  // namespace
}  // namespace tavrin::x11
