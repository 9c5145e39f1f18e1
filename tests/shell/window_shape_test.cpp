// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window_shape.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <climits>
#include <cstdint>
#include <vector>

namespace tavrin {
namespace {

// A picture of `width` x `height` pixels, all white, in one depth's layout
// with `padding` extra bytes per row (filled with zeros, which are not white).
struct Picture {
    int width;
    int height;
    int depth;
    int bytesPerRow;
    std::vector<std::uint8_t> bytes;

    Picture(int w, int h, int d, int padding = 0)
        : width(w), height(h), depth(d), bytesPerRow(w * BytesPerPixel(d) + padding) {
        bytes.assign(std::size_t(bytesPerRow) * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, d == 15 || d == 16 ? 0x7FFF : 0xFFFFFF);
    }

    static int BytesPerPixel(int d) { return d == 24 ? 3 : d == 32 ? 4 : 2; }

    // Stores `value` little-endian in the pixel's bytes.
    void Set(int x, int y, std::uint32_t value) {
        const int n = BytesPerPixel(depth);
        for (int i = 0; i < n; ++i)
            bytes[std::size_t(y) * bytesPerRow + x * n + i] = std::uint8_t(value >> (8 * i));
    }

    std::optional<std::vector<ShapeRect>> Scan(int x0 = 0, int y0 = 0) const {
        return ScanWindowShape(width, height, bytesPerRow, depth, bytes, x0, y0);
    }
};

using Rects = std::vector<ShapeRect>;

TEST(WindowShapeScan, SixteenBitWhiteIgnoresTheTopBit) {
    for (int depth : {15, 16}) {
        Picture p(6, 2, depth);
        p.Set(0, 0, 0x7FFF);  // white
        p.Set(1, 0, 0xFFFF);  // white with the top bit set
        p.Set(2, 0, 0x7FFE);  // one colour bit off white
        p.Set(3, 0, 0x8000);  // black with the top bit set
        p.Set(4, 0, 0xFFFF);
        EXPECT_EQ(p.Scan(), Rects({{2, 0, 4, 1}})) << "depth " << depth;
    }
}

TEST(WindowShapeScan, OnlyExactWhiteIsCutAt24And32Bits) {
    Picture p24(4, 2, 24);
    p24.Set(1, 0, 0xFFFFFE);  // bytes 254, 255, 255
    p24.Set(3, 0, 0xFEFFFF);
    EXPECT_EQ(p24.Scan(), Rects({{1, 0, 2, 1}, {3, 0, 3, 1}}));

    Picture p32(4, 2, 32);
    p32.Set(0, 0, 0xFFFFFFFE);  // 254, 255, 255 opaque
    p32.Set(1, 0, 0x00FFFFFF);  // white; the top byte does not count
    p32.Set(2, 0, 0xABFFFFFF);
    EXPECT_EQ(p32.Scan(), Rects({{0, 0, 1, 1}}));
}

TEST(WindowShapeScan, BottomRowNeverBelongsToTheShape) {
    Picture p(3, 3, 24);
    for (int x = 0; x < 3; ++x) p.Set(x, 2, 0);
    EXPECT_EQ(p.Scan(), Rects{});

    Picture one(3, 1, 24);
    one.Set(0, 0, 0);
    EXPECT_EQ(one.Scan(), Rects{});
}

TEST(WindowShapeScan, RunsAreOffsetAndStopOnePixelShortOfTheRightEdge) {
    Picture p(8, 3, 32);
    // Row 0: two runs, the second reaching the right edge.
    p.Set(1, 0, 0);
    p.Set(2, 0, 0);
    p.Set(5, 0, 0);
    p.Set(6, 0, 0);
    p.Set(7, 0, 0);
    // Row 1: a lone pixel in the right-most column.
    p.Set(7, 1, 0x123456);
    EXPECT_EQ(p.Scan(10, 20), Rects({{11, 20, 13, 21}, {15, 20, 17, 21}, {17, 21, 17, 22}}));
}

TEST(WindowShapeScan, WholeOpaqueRowEndsBeforeTheLastColumn) {
    Picture p(5, 2, 16);
    for (int x = 0; x < 5; ++x) p.Set(x, 0, 0x1234);
    EXPECT_EQ(p.Scan(), Rects({{0, 0, 4, 1}}));
}

TEST(WindowShapeScan, PaddingBytesAreNotPixels) {
    // Zero padding would read as black pixels if rows were taken as W pixels
    // apart rather than B bytes apart.
    for (int depth : {16, 24, 32}) {
        Picture p(3, 3, depth, /*padding=*/5);
        p.Set(1, 1, 0);
        EXPECT_EQ(p.Scan(), Rects({{1, 1, 2, 2}})) << "depth " << depth;
    }
}

TEST(WindowShapeScan, OtherDepthsAreNotHandled) {
    Picture p(4, 4, 24);
    for (int depth : {0, 1, 4, 8, 12, 48})
        EXPECT_EQ(ScanWindowShape(4, 4, p.bytesPerRow, depth, p.bytes, 0, 0), std::nullopt)
            << "depth " << depth;
}

TEST(WindowShapeScan, BufferShorterThanTheHeaderGivesNothing) {
    Picture p(4, 4, 24);
    p.Set(0, 0, 0);
    const std::span<const std::uint8_t> shortBytes(p.bytes.data(), p.bytes.size() - 1);
    EXPECT_EQ(ScanWindowShape(4, 4, p.bytesPerRow, 24, shortBytes, 0, 0), Rects{});
    EXPECT_EQ(ScanWindowShape(4, 4, /*bytesPerRow=*/11, 24, p.bytes, 0, 0), Rects{});
    // Sizes whose products wrap in 32 bits, and offsets that would push a corner past an int.
    EXPECT_EQ(ScanWindowShape(0x40000001, 2, 4, 32, p.bytes, 0, 0), Rects{});
    EXPECT_EQ(ScanWindowShape(4, 4, p.bytesPerRow, 24, p.bytes, INT_MAX - 2, 0), Rects{});
    EXPECT_EQ(ScanWindowShape(4, 4, p.bytesPerRow, 24, p.bytes, 0, INT_MAX - 3), Rects{});
    EXPECT_EQ(ScanWindowShape(4, 4, p.bytesPerRow, 24, p.bytes, 0, INT_MIN), Rects{});
}

TEST(WindowShapeRegion, AllWhiteOrOnlyEmptyRunsGiveNoRegion) {
    Picture white(6, 6, 24);
    ASSERT_EQ(white.Scan(), Rects{});
    EXPECT_TRUE(ShapeRegion({}).isEmpty());

    Picture edge(6, 6, 24);
    edge.Set(5, 0, 0);
    edge.Set(5, 3, 0);
    const auto rects = edge.Scan();
    ASSERT_EQ(rects->size(), 2u);
    EXPECT_TRUE(ShapeRegion(*rects).isEmpty());
}

// The region must cover exactly the runs, whether rows merge or not.
TEST(WindowShapeRegion, CoversExactlyTheRuns) {
    Picture p(10, 8, 24);
    const int opaque[][3] = {{0, 1, 4}, {1, 1, 4},  {2, 1, 4}, {2, 6, 8},
                             {3, 6, 8}, {4, 0, 10}, {6, 2, 3}, {6, 5, 9}};
    for (const auto& [y, from, to] : opaque)
        for (int x = from; x < to; ++x) p.Set(x, y, 0x00AA00);
    const auto rects = p.Scan(3, 4);
    ASSERT_TRUE(rects.has_value());

    QRegion expected;
    for (const ShapeRect& r : *rects)
        expected += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    const QRegion region = ShapeRegion(*rects);
    EXPECT_TRUE(region.xored(expected).isEmpty());
    EXPECT_EQ(region, expected);
    EXPECT_TRUE(region.contains(QPoint(3 + 9 - 1, 4 + 4)));  // row 4 stops short of x = 9
    EXPECT_FALSE(region.contains(QPoint(3 + 9, 4 + 4)));

    // Rectangles out of scan order are merged one by one instead.
    Rects shuffled(rects->rbegin(), rects->rend());
    EXPECT_TRUE(ShapeRegion(shuffled).xored(expected).isEmpty());
    EXPECT_EQ(ShapeRegion({{1, 2, 4, 4}}), QRegion(1, 2, 3, 2));  // not cut to one row
}

// Qt's mask, in whole pixels, must hold every screen pixel of a finer shape: a run of screen
// pixels that starts or ends inside a pixel takes that whole pixel.
TEST(WindowShapeRegion, CoveringRegionHoldsEveryDevicePixel) {
    const std::vector<ShapeRect> device = {
        {3, 4, 7, 5}, {9, 4, 10, 5}, {2, 5, 8, 6}, {5, 6, 5, 7}, {4, 7, 6, 8}};
    const QRegion at2 = CoveringRegion(device, 2);
    EXPECT_EQ(at2, QRegion(QRect(1, 2, 3, 1)) + QRect(4, 2, 1, 1) + QRect(2, 3, 1, 1));
    for (const ShapeRect& r : device)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                EXPECT_TRUE(at2.contains(QPoint(x / 2, y / 2))) << x << ", " << y;
    // At a ratio of 1.5 screen pixel 3 lies in pixel 2, and 7 (exclusive) ends inside pixel 4.
    EXPECT_EQ(CoveringRegion({{3, 3, 7, 4}}, 1.5), QRegion(QRect(2, 2, 3, 1)));
    EXPECT_TRUE(CoveringRegion({}, 2).isEmpty());
}

TEST(WindowShapeOrigin, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfToEven(0.5), 0);
    EXPECT_EQ(RoundHalfToEven(1.5), 2);
    EXPECT_EQ(RoundHalfToEven(2.5), 2);
    EXPECT_EQ(RoundHalfToEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfToEven(-0.5), 0);
    EXPECT_EQ(RoundHalfToEven(-1.5), -2);
    EXPECT_EQ(RoundHalfToEven(-2.6), -3);
    EXPECT_EQ(RoundHalfToEven(7.0), 7);

    // A frameless window: the face's place within the client area as it is.
    EXPECT_EQ(FaceOrigin(370, 373, 370, 373, 0, 0).x0, 0);
    EXPECT_EQ(FaceOrigin(370, 373, 370, 373, 0, 0).y0, 0);
    // Borders of 1.5 pixels and a 20-pixel caption: 1.5 rounds to 2, 3.5 to 4.
    const ShapeOrigin framed = FaceOrigin(373, 396.5, 370, 373, 0, 2);
    EXPECT_EQ(framed.x0, 2);
    EXPECT_EQ(framed.y0, 24);
}

// The face as a QImage, in the pixel formats of the screens it may meet.
TEST(WindowShapeImage, ConvertsToTheScreenFormatFirst) {
    QImage face(4, 2, QImage::Format_RGB32);
    face.fill(Qt::white);
    face.setPixel(1, 0, qRgb(254, 255, 255));
    face.setPixel(2, 0, qRgb(10, 200, 30));

    EXPECT_EQ(ScanWindowShape(face, 24, 0, 0), Rects({{1, 0, 3, 1}}));
    EXPECT_EQ(ScanWindowShape(face, 32, 0, 0), Rects({{1, 0, 3, 1}}));
    // At 16 bits, 254 rounds into white and is cut with it.
    EXPECT_EQ(ScanWindowShape(face, 16, 0, 0), Rects({{2, 0, 3, 1}}));
    EXPECT_EQ(ScanWindowShape(face, 15, 0, 0), Rects({{2, 0, 3, 1}}));
    EXPECT_EQ(ScanWindowShape(face, 8, 0, 0), std::nullopt);
}

// The skin must hold every control the face places on it, or the window
// shape would cut into them. The skin sits one pixel in from the face's
// frame, and the shape one pixel up and left of the skin's own pixels.
// What a compositor shows must be exactly what the X shape leaves: each pixel
// inside the region as drawn, each outside fully transparent.
TEST(WindowShapeCut, ThePixelsOutsideTheShapeAreTransparentAndTheRestUntouched) {
    const QImage skin(TAVRIN_SOURCE_DIR "/data/pictures/skin.bmp");
    ASSERT_FALSE(skin.isNull());
    const auto rects = ScanWindowShape(skin, 32, -1, -1);
    ASSERT_TRUE(rects.has_value());
    const QRegion shape = ShapeRegion(*rects);

    const QImage cut = CutToShape(skin, shape);
    ASSERT_EQ(cut.size(), skin.size());
    ASSERT_EQ(cut.format(), QImage::Format_ARGB32_Premultiplied);
    int inside = 0;
    for (int y = 0; y < cut.height(); ++y)
        for (int x = 0; x < cut.width(); ++x) {
            const QRgb pixel = cut.pixel(x, y);
            if (shape.contains(QPoint(x, y))) {
                ++inside;
                ASSERT_EQ(pixel, skin.pixel(x, y) | 0xFF000000u) << x << "," << y;
            } else {
                ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
            }
        }
    EXPECT_GT(inside, 369 * 369 / 2);
    // The quirks carry over: the shape lies a pixel up and left of the skin, so the
    // skin's right-most column and bottom row are cut away.
    EXPECT_EQ(qAlpha(cut.pixel(368, 200)), 0);
    EXPECT_EQ(qAlpha(cut.pixel(184, 368)), 0);
}

TEST(WindowShapeSkin, HoldsEveryControlOfTheFace) {
    const QImage skin(TAVRIN_SOURCE_DIR "/data/pictures/skin.bmp");
    ASSERT_FALSE(skin.isNull());
    ASSERT_EQ(skin.size(), QSize(369, 369));

    const auto rects24 = ScanWindowShape(skin, 24, 0, 0);
    ASSERT_TRUE(rects24.has_value());
    EXPECT_EQ(ScanWindowShape(skin, 32, 0, 0), rects24);
    const QRegion shape = ShapeRegion(*rects24);

    const QRect controls[] = {
        {53, 56, 42, 52},      // Label1, left ear
        {304, 56, 53, 52},     // Label4, right ear
        {72, 136, 97, 49},     // Image1
        {208, 136, 97, 49},    // Image2
        {16, 184, 145, 105},   // Shape4, left cheek (its bounding box)
        {164, 184, 41, 97},    // Shape5, nose
        {208, 184, 145, 105},  // Shape6, right cheek
        {144, 280, 89, 25},    // Label2, the prompt
        {152, 304, 65, 25},    // Text1
        {88, 312, 57, 17},     // Command4
        {224, 312, 57, 17},    // Command1
        {304, 152, 16, 32},    // Label7(6), the highest score cell
    };
    for (const QRect& control : controls) {
        const QRect inWindow = control.translated(1, 1);
        QRegion oval;
        // Ovals need only their own area, not their bounding box.
        if (control.height() > 60 && control.width() > 30)
            oval = QRegion(inWindow, QRegion::Ellipse);
        else
            oval = QRegion(inWindow);
        EXPECT_TRUE(oval.subtracted(shape).isEmpty())
            << "control at " << control.x() << "," << control.y() << " sticks out";
    }
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_FALSE(shape.contains(QPoint(368, 368)));
}

}  // namespace
}  // namespace tavrin
