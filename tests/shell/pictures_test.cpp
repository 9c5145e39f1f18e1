// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/pictures.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace tavrin {
namespace {

// The 1x pictures as they were drawn before any denser one existed. The dense variants are
// drawn by the same tool; redrawing must leave these bytes alone, or every 1x screen (and the
// window shape cut from the skin) would change with them.
TEST(Pictures, The1xFilesAreTheOnesTheProgramAlwaysHad) {
    const struct {
        const char* path;
        const char* sha256;
    } files[] = {
        {"pictures/skin.bmp", "b8f80e50344adefb86848dbfd9439dab684e89c384732dfc17d6c5562415e480"},
        {"pictures/eye.bmp", "96d92654f3504bd451f426eecf6f5a9550ae5899ce40cee2f652838a94c04734"},
        {"pictures/face.ico", "45efa1c78d1fbbf9eb9ed39a68f124f2ab36f94a19ec0a5f6145a288ad34beef"},
        {"pictures/pencil.ico", "50230decaa31f7693ca83173190e571f291af1b54f4e84add8ac88e3bda5b7aa"},
        {"pictures/label1_pointer.ico",
         "1140c610c582edccd5ca935e50d350e2af013f66eff2e64e6c2b02cf944685bf"},
        {"pictures/label4_pointer.ico",
         "257b7ae4429e01292801641ecbc198d926fa6cfb1405283c54cf32ba8ee5e437"},
        {"pictures/about_pointer.ico",
         "47de952bc2421b6bdfd50dfb48d803d86ae3fec3d043eed6b262ea00e255418b"},
        {"pictures/about.jpg", "969e9d3408c5da7107af73fe100ddb21fee9bd82784dd2d457cc8f83c245073d"},
        {"pictures/leave_released.bmp",
         "e00d69890a75c41288f47e37e984ce117d751a9f74ae53f57503d1707dec280f"},
        {"pictures/leave_pressed.bmp",
         "89707049ddaabb1684e8c346fb1d82a8eb0d8444b0149e3596508a1b950e8449"},
        {"eye/1", "14719285e77e91e96291612a7b92088ab83fcf32b2abbd2645d2b16c13015424"},
        {"eye/2", "abd27a2d061cf295e0ab994ad2afef1beccbe48c8216de007a4e5d38eb7f003a"},
        {"eye/3", "84521bdf7cd8136ed1b3c871b2d630dc41b7088fc22d4da51b8cf1952220374f"},
        {"eye/4", "0452e32453ad385e3b715cdb556fa2751dd2dcc0c08327363342ae8b1294dd7d"},
        {"eye/5", "96d92654f3504bd451f426eecf6f5a9550ae5899ce40cee2f652838a94c04734"},
        {"eye/6", "cb6a3088c51c67cba22d784b889a69b24371eabdd1b35fd9d2dae36ddb3ff73d"},
        {"eye/7", "46eb168d6eacb8f37befa13f5f0a03b0b4a8b6a655feb03c1d00a0982ff2ad47"},
        {"eye/8", "d4cc17a2451789c501ac698644e6e476a65adc4cc362f6eb4e0f0be230249eea"},
    };
    for (const auto& file : files) {
        QFile in(QStringLiteral(TAVRIN_SOURCE_DIR "/data/") + file.path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file.path;
        EXPECT_EQ(QCryptographicHash::hash(in.readAll(), QCryptographicHash::Sha256).toHex(),
                  QByteArray(file.sha256))
            << file.path;
    }
}

// Each dense variant is the 1x picture's size times its density, in the format its name says,
// and the eye folder's frames sit beside their 1x files.
TEST(Pictures, EveryPictureHasItsVariantsAtTwiceAndThreeTimesItsSize) {
    const char* const compiled[] = {"skin.bmp",           "eye.bmp",
                                    "face.ico",           "pencil.ico",
                                    "label1_pointer.ico", "label4_pointer.ico",
                                    "about_pointer.ico",  "about.jpg",
                                    "leave_released.bmp", "leave_pressed.bmp"};
    for (const char* name : compiled) {
        const QSize size = CompiledPicture(QString::fromLatin1(name)).size();
        ASSERT_FALSE(size.isEmpty()) << name;
        for (int density : {2, 3}) {
            const QPixmap dense = CompiledPicture(QString::fromLatin1(name), density);
            EXPECT_EQ(dense.devicePixelRatio(), density) << name;
            EXPECT_EQ(dense.size(), size * density) << name << " at " << density;
        }
    }
    for (int n = 1; n <= 8; ++n)
        for (int density : {2, 3}) {
            const QString dense =
                QStringLiteral(TAVRIN_SOURCE_DIR "/data/eye/%1@%2x").arg(n).arg(density);
            EXPECT_EQ(QImage(dense, "PNG").size(), QSize(97, 49) * density) << qPrintable(dense);
        }
}

TEST(Pictures, DensityAndNamesFollowTheScreensRatio) {
    const struct {
        qreal ratio;
        int density;
    } densities[] = {{0.5, 1}, {1, 1},    {1.01, 2}, {1.25, 2}, {1.5, 2},
                     {2, 2},   {2.01, 3}, {2.5, 3},  {3, 3},    {4, 3}};
    for (const auto& row : densities)
        EXPECT_EQ(PictureDensity(row.ratio), row.density) << "ratio " << row.ratio;

    EXPECT_EQ(DenseName("skin.bmp", 1), "skin.bmp");
    EXPECT_EQ(DenseName("skin.bmp", 2), "skin@2x.png");
    EXPECT_EQ(DenseName("label1_pointer.ico", 3), "label1_pointer@3x.png");
    EXPECT_EQ(DenseName("about.jpg", 2), "about@2x.jpg");
}

// A 1x screen gets exactly the 1x picture; a dense one the variant, tagged so that it keeps
// its 1x size on screen, and between densities the denser picture brought down to the
// screen's own pixels.
TEST(Pictures, CompiledForAScreenKeepTheir1xSize) {
    const QPixmap sparse = CompiledPicture("skin.bmp");
    const QPixmap at1 = CompiledPicture("skin.bmp", 1, Ground::kWhiteCutAway);
    EXPECT_EQ(at1.devicePixelRatio(), 1);
    EXPECT_EQ(at1.toImage(), sparse.toImage());

    const struct {
        qreal ratio;
        QSize pixels;
    } screens[] = {{1.25, {461, 461}}, {1.5, {554, 554}}, {2, {738, 738}}, {3, {1107, 1107}}};
    for (const auto& screen : screens) {
        const QPixmap dense = CompiledPicture("skin.bmp", screen.ratio, Ground::kWhiteCutAway);
        EXPECT_EQ(dense.size(), screen.pixels) << "ratio " << screen.ratio;
        EXPECT_EQ(dense.devicePixelRatio(), screen.ratio);
        EXPECT_NEAR(dense.deviceIndependentSize().width(), 369, 0.5) << "ratio " << screen.ratio;
    }
    EXPECT_EQ(CompiledPicture("skin.bmp", 2).toImage(),
              QImage(TAVRIN_SOURCE_DIR "/data/pictures/skin@2x.png")
                  .convertToFormat(QImage::Format_RGB32));
}

// Scaled down, a picture on white ground keeps its ground exact white and gets no pale rim,
// which the window's white cut would leave standing on the desktop.
TEST(Pictures, ScalingDownKeepsTheWhiteGroundExact) {
    QImage dense(200, 200, QImage::Format_RGB32);
    dense.fill(Qt::white);
    // Like the skin, the drawing meets its ground with no blend: hard-edged.
    QPainter p(&dense);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 96, 36));
    p.drawEllipse(QRectF(20, 20, 160, 160));
    p.end();
    const auto pale = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                count += (c & 0xFFFFFF) != 0xFFFFFF && qRed(c) > 150 && qGreen(c) > 150;
            }
        return count;
    };
    const QImage cut = FitToScreen(dense, 2, 1.25, Ground::kWhiteCutAway);
    EXPECT_EQ(cut.size(), QSize(125, 125));
    EXPECT_EQ(pale(cut), 0);
    EXPECT_EQ(cut.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(cut.pixel(62, 62) & 0xFFFFFF, qRgb(40, 96, 36) & 0xFFFFFF);
    // Scaled as any picture is, the rim would have blended into the white.
    EXPECT_GT(pale(FitToScreen(dense, 2, 1.25)), 0);
}

}  // namespace
}  // namespace tavrin
