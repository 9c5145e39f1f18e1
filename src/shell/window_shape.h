// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The face window's shape: the opaque pixels of the face picture, found row by
// row, as one-pixel-high rectangles. The scan works on raw pixel bytes so that
// it can be tested without a window.

#include <QRegion>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QColor;
class QImage;
class QPixmap;
class QSize;

namespace tavrin {

// One run of opaque pixels; right and bottom are exclusive. A run may be
// empty (left == right): see ScanWindowShape.
struct ShapeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const ShapeRect&) const = default;
};

// Scans a picture of `width` x `height` pixels whose `height` rows of
// `bytesPerRow` bytes each lie in `pixels`, top row first, and returns one
// rectangle per run of non-white pixels, offset by (x0, y0).
//
// Depths 15 and 16 hold one little-endian 16-bit value per pixel (white when
// its low 15 bits are all set), 24 holds three bytes per pixel (white when all
// three are 255), 32 one little-endian 32-bit value (white when its low 24 bits
// are all set). Only exact white is transparent.
//
// Quirks the window has always had, kept on purpose: the bottom row is never
// examined, and a run that reaches the right edge stops one pixel short of it,
// so a lone opaque pixel in the right-most column gives an empty rectangle.
//
// Returns nullopt for any other depth. A buffer too small for what the header
// says gives no rectangles rather than reading past its end.
std::optional<std::vector<ShapeRect>> ScanWindowShape(int width, int height, int bytesPerRow,
                                                      int depth,
                                                      std::span<const std::uint8_t> pixels, int x0,
                                                      int y0);

// Scans `face` as it would look on a screen of `screenDepth` bits per pixel
// (15, 16, 24 or 32): the picture is first converted to that pixel format, so
// at 15 and 16 bits colours that round to white are cut away as well.
// Returns nullopt for any other depth.
std::optional<std::vector<ShapeRect>> ScanWindowShape(const QImage& face, int screenDepth, int x0,
                                                      int y0);

// The union of the rectangles. An empty result means the window gets no mask
// at all and stays wholly visible.
QRegion ShapeRegion(const std::vector<ShapeRect>& rects);

// The face as its box shows it on a screen of `devicePixelRatio`, in the screen's own pixels: a
// client area of `client` (device-independent pixels) filled with `ground`, `picture` at its
// top-left corner. A picture made for the screen lands one to one on these pixels, so a dense
// face is scanned along the outline the screen really shows.
QImage FaceImage(const QSize& client, const QColor& ground, const QPixmap& picture,
                 qreal devicePixelRatio);

// The least region of whole device-independent pixels that holds every device-pixel rectangle:
// Qt keeps a window's mask in those pixels, and this one never cuts into the finer shape.
QRegion CoveringRegion(const std::vector<ShapeRect>& deviceRects, qreal devicePixelRatio);

// Rounds to the nearest integer, halves to the even neighbour.
int RoundHalfToEven(double value);

// Where the face's top-left pixel lies within the window's outer rectangle:
// the frame's side width is half the difference of outer and client widths,
// and everything above the client area (frame, caption) is what the outer
// height has beyond that border and the client height.
struct ShapeOrigin {
    int x0 = 0;
    int y0 = 0;
};
ShapeOrigin FaceOrigin(double outerWidth, double outerHeight, double clientWidth,
                       double clientHeight, double faceLeft, double faceTop);

// The face as a compositor shows it: `picture` with every pixel outside `shape`
// fully transparent and every pixel inside it as it was (the face is opaque),
// so a composited desktop shows through exactly where an X shape would have
// cut the window away. Premultiplied ARGB, the backing store's own format.
QImage CutToShape(const QImage& picture, const QRegion& shape);

}  // namespace tavrin
