// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window_shape.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <climits>
#include <cmath>

namespace tavrin {

namespace {

// Each depth's test for a transparent (white) pixel x of one row.
struct White16 {
    static constexpr int kBytes = 2;
    static bool At(const std::uint8_t* row, int x) {
        const unsigned value = row[2 * x] | (unsigned(row[2 * x + 1]) << 8);
        return (value & 0x7FFF) == 0x7FFF;
    }
};

struct White24 {
    static constexpr int kBytes = 3;
    static bool At(const std::uint8_t* row, int x) {
        const std::uint8_t* p = row + 3 * x;
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
};

struct White32 {
    static constexpr int kBytes = 4;
    // The top byte is ignored: the low three bytes of the little-endian value.
    static bool At(const std::uint8_t* row, int x) {
        const std::uint8_t* p = row + 4 * x;
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
};

template <typename White>
std::vector<ShapeRect> Scan(int width, int height, int bytesPerRow,
                            std::span<const std::uint8_t> pixels, int x0, int y0) {
    std::vector<ShapeRect> rects;
    // In 64 bits, so that no header can wrap a product past the checks, and the
    // rectangles' corners must fit an int after the offset. A QRegion drops
    // anything that starts at INT_MIN.
    using Wide = std::int64_t;
    if (width <= 0 || height <= 0 || bytesPerRow < Wide{width} * White::kBytes ||
        Wide(pixels.size()) / bytesPerRow < height || Wide{x0} + width > INT_MAX ||
        Wide{y0} + height > INT_MAX || x0 == INT_MIN || y0 == INT_MIN)
        return rects;
    for (int y = 0; y < height - 1; ++y) {
        const std::uint8_t* row = pixels.data() + std::size_t(y) * std::size_t(bytesPerRow);
        int x = 0;
        for (;;) {
            while (x < width && White::At(row, x)) ++x;
            const int start = x;
            while (x < width && !White::At(row, x)) ++x;
            if (start >= width) break;
            const int right = x == width ? width - 1 : x;
            rects.push_back({x0 + start, y0 + y, x0 + right, y0 + y + 1});
        }
    }
    return rects;
}

}  // namespace

std::optional<std::vector<ShapeRect>> ScanWindowShape(int width, int height, int bytesPerRow,
                                                      int depth,
                                                      std::span<const std::uint8_t> pixels, int x0,
                                                      int y0) {
    switch (depth) {
        case 15:
        case 16:
            return Scan<White16>(width, height, bytesPerRow, pixels, x0, y0);
        case 24:
            return Scan<White24>(width, height, bytesPerRow, pixels, x0, y0);
        case 32:
            return Scan<White32>(width, height, bytesPerRow, pixels, x0, y0);
        default:
            return std::nullopt;
    }
}

std::optional<std::vector<ShapeRect>> ScanWindowShape(const QImage& face, int screenDepth, int x0,
                                                      int y0) {
    QImage::Format format;
    switch (screenDepth) {
        case 15:
            format = QImage::Format_RGB555;
            break;
        case 16:
            format = QImage::Format_RGB16;
            break;
        case 24:
            format = QImage::Format_RGB888;
            break;
        case 32:
            format = QImage::Format_RGB32;
            break;
        default:
            return std::nullopt;
    }
    // QImage keeps 16- and 32-bit pixels in the machine's byte order, which is
    // little-endian on every platform the program is built for.
    const QImage image = face.convertToFormat(format);
    const std::span<const std::uint8_t> bytes(image.constBits(), std::size_t(image.sizeInBytes()));
    return ScanWindowShape(image.width(), image.height(), int(image.bytesPerLine()), screenDepth,
                           bytes, x0, y0);
}

namespace {

bool InScanOrder(const std::vector<ShapeRect>& rects) {
    if (!rects.empty() && rects[0].bottom - rects[0].top != 1) return false;
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const ShapeRect& a = rects[i - 1];
        const ShapeRect& b = rects[i];
        if (b.bottom - b.top != 1) return false;
        if (b.top < a.top || (b.top == a.top && b.left <= a.right)) return false;
    }
    return true;
}

}  // namespace

QRegion ShapeRegion(const std::vector<ShapeRect>& rects) {
    if (!InScanOrder(rects)) {
        QRegion region;
        for (const ShapeRect& r : rects)
            region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        return region;
    }
    // The runs come row by row, left to right, and never touch: the banded
    // order QRegion keeps inside. Rows with the same runs as the row above are
    // merged into taller rectangles, so the region is built in one go and in
    // its smallest form, instead of by hundreds of unions.
    std::vector<QRect> bands;
    bands.reserve(rects.size());
    std::size_t bandStart = 0;  // first rectangle of the last band in `bands`
    std::size_t i = 0;
    while (i < rects.size()) {
        const int top = rects[i].top;
        std::vector<QRect> row;
        for (; i < rects.size() && rects[i].top == top; ++i)
            if (rects[i].right > rects[i].left)
                row.emplace_back(rects[i].left, top, rects[i].right - rects[i].left, 1);
        if (row.empty()) continue;
        const std::size_t lastSize = bands.size() - bandStart;
        bool same = lastSize == row.size() && bands[bandStart].bottom() + 1 == top;
        for (std::size_t k = 0; same && k < row.size(); ++k)
            same = bands[bandStart + k].left() == row[k].left() &&
                   bands[bandStart + k].right() == row[k].right();
        if (same) {
            for (std::size_t k = 0; k < row.size(); ++k) bands[bandStart + k].setBottom(top);
        } else {
            bandStart = bands.size();
            bands.insert(bands.end(), row.begin(), row.end());
        }
    }
    QRegion region;
    if (!bands.empty()) region.setRects(bands.data(), int(bands.size()));
    return region;
}

QImage FaceImage(const QSize& client, const QColor& ground, const QPixmap& picture,
                 qreal devicePixelRatio) {
    if (devicePixelRatio == 1) {
        QImage face(client, QImage::Format_RGB32);
        face.fill(ground);
        QPainter(&face).drawPixmap(0, 0, picture);
        return face;
    }
    QImage face(std::lround(client.width() * devicePixelRatio),
                std::lround(client.height() * devicePixelRatio), QImage::Format_RGB32);
    face.setDevicePixelRatio(devicePixelRatio);
    face.fill(ground);
    QPainter(&face).drawPixmap(0, 0, picture);
    face.setDevicePixelRatio(1);
    return face;
}

QRegion CoveringRegion(const std::vector<ShapeRect>& deviceRects, qreal devicePixelRatio) {
    // Row by row in device pixels, so the runs of one row of pixels are gathered before they
    // go into the region: a few hundred unions rather than thousands.
    std::vector<ShapeRect> cover;
    cover.reserve(deviceRects.size());
    for (const ShapeRect& r : deviceRects) {
        if (r.right <= r.left || r.bottom <= r.top) continue;
        cover.push_back({int(std::floor(r.left / devicePixelRatio)),
                         int(std::floor(r.top / devicePixelRatio)),
                         int(std::ceil(r.right / devicePixelRatio)),
                         int(std::ceil(r.bottom / devicePixelRatio))});
    }
    QRegion region;
    std::size_t i = 0;
    while (i < cover.size()) {
        QRegion row;
        const int top = cover[i].top;
        for (; i < cover.size() && cover[i].top == top; ++i)
            row += QRect(cover[i].left, top, cover[i].right - cover[i].left, cover[i].bottom - top);
        region += row;
    }
    return region;
}

int RoundHalfToEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = fraction < 0.5 ? floor : floor + 1;
    if (fraction == 0.5) rounded = std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
    return int(rounded);
}

ShapeOrigin FaceOrigin(double outerWidth, double outerHeight, double clientWidth,
                       double clientHeight, double faceLeft, double faceTop) {
    const double border = (outerWidth - clientWidth) / 2;
    const double top = outerHeight - border - clientHeight;
    return {RoundHalfToEven(faceLeft + border), RoundHalfToEven(faceTop + top)};
}

QImage CutToShape(const QImage& picture, const QRegion& shape) {
    QImage cut = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRegion away = QRegion(cut.rect()).subtracted(shape);
    for (const QRect& r : away)
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(cut.scanLine(y)) + r.left(), r.width(), QRgb{0});
    return cut;
}

}  // namespace tavrin
