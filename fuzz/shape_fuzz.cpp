// SPDX-License-Identifier: GPL-3.0-or-later
// The window-shape scan on any picture header and bytes: no fault, and the
// region covers exactly the opaque pixels of the rows and columns it reads.

#include <QRegion>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "shell/window_shape.h"

namespace {

using tavrin::ShapeRect;

template <typename T>
T Take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t n = std::min(sizeof value, size);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

bool Opaque(std::span<const std::uint8_t> row, int depth, int x) {
    switch (depth) {
        case 15:
        case 16:
            return ((row[2 * x] | row[2 * x + 1] << 8) & 0x7FFF) != 0x7FFF;
        case 24:
            return row[3 * x] != 255 || row[3 * x + 1] != 255 || row[3 * x + 2] != 255;
        default:
            return row[4 * x] != 255 || row[4 * x + 1] != 255 || row[4 * x + 2] != 255;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto mode = Take<std::uint8_t>(data, size);
    if (mode % 4 == 0) {
        // Any header at all against a short buffer: nothing may be read past it.
        const auto width = Take<int>(data, size), height = Take<int>(data, size);
        const auto bytesPerRow = Take<int>(data, size), depth = Take<int>(data, size);
        const auto x0 = Take<int>(data, size), y0 = Take<int>(data, size);
        (void)tavrin::ScanWindowShape(width, height, bytesPerRow, depth, {data, size}, x0, y0);
        return 0;
    }
    if (mode % 4 == 1) {
        // Rectangles in any order and height: the region is their union.
        std::vector<ShapeRect> rects;
        QRegion expected;
        while (size >= 4 && rects.size() < 64) {
            const auto c = Take<std::uint32_t>(data, size);
            const int left = c & 31, top = c >> 5 & 31, w = c >> 10 & 15, h = c >> 14 & 3;
            rects.push_back({left, top, left + w, top + h});
            expected += QRect(left, top, w, h);
        }
        if (tavrin::ShapeRegion(rects) != expected) std::abort();
        return 0;
    }
    // A picture of up to 40 x 40 pixels in one of the four depths.
    static constexpr int kDepths[] = {15, 16, 24, 32};
    const int depth = kDepths[Take<std::uint8_t>(data, size) % 4];
    const int width = Take<std::uint8_t>(data, size) % 40 + 1;
    const int height = Take<std::uint8_t>(data, size) % 40 + 1;
    const int bytesPerRow = width * (depth == 24   ? 3
                                     : depth == 32 ? 4
                                                   : 2) +
                            Take<std::uint8_t>(data, size) % 8;
    // Offsets mostly near the origin, sometimes near the ends of an int.
    const auto rawX = Take<std::int32_t>(data, size), rawY = Take<std::int32_t>(data, size);
    const int x0 = mode & 4 ? rawX : rawX % 1000;
    const int y0 = mode & 8 ? rawY : rawY % 1000;
    const std::span<const std::uint8_t> pixels(data, size);
    const auto rects = tavrin::ScanWindowShape(width, height, bytesPerRow, depth, pixels, x0, y0);
    if (!rects) std::abort();
    const bool fits = pixels.size() >= std::size_t(height) * bytesPerRow &&
                      std::int64_t{x0} + width <= INT_MAX && std::int64_t{y0} + height <= INT_MAX &&
                      x0 != INT_MIN && y0 != INT_MIN;
    if (!fits) {
        if (!rects->empty()) std::abort();
        return 0;
    }
    const QRegion region = tavrin::ShapeRegion(*rects);
    // The bottom row and the right-most column are never part of the shape.
    for (int y = 0; y < height; ++y) {
        const auto row = pixels.subspan(std::size_t(y) * bytesPerRow, bytesPerRow);
        for (int x = 0; x < width; ++x) {
            const bool want = y < height - 1 && x < width - 1 && Opaque(row, depth, x);
            if (region.contains(QPoint(x0 + x, y0 + y)) != want) std::abort();
        }
    }
    if (!region.isEmpty() && !QRect(x0, y0, width - 1, height - 1).contains(region.boundingRect()))
        std::abort();
    return 0;
}
