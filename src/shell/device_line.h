// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Lines one device-independent pixel thick, laid on the screen's own pixels. Qt scales a
// 1-pixel line by the screen's ratio and lets the rounding decide: at 1.25 or 1.75 a divider
// in a 1-pixel-high frame falls outside the frame's rounded pixels and vanishes, and a menu's
// 1-pixel borders come out one or two pixels thick depending on where they lie.

#include <QObject>
#include <QtGlobal>

class QColor;
class QPainter;
class QRectF;
class QWidget;

namespace tavrin {

// How many screen pixels every such line takes at `scale` screen pixels to the
// device-independent pixel: the whole pixels the scale holds, and never less than one. No
// more, since Qt gives a 1-pixel-high widget no more rows than that at some places (at 1.75 a
// divider at y = 58 has only row 102 of its 101.5 to 103.25).
int DeviceLineThickness(qreal scale);

// The screen pixels a line takes along one axis, from `start`, `length` of them.
struct DeviceSpan {
    int start = 0;
    int length = 0;
};

// A line whose device-independent edge lies at `position`, on a screen of `scale`: it starts
// at the screen pixel nearest to that edge, and is DeviceLineThickness(scale) thick. With
// `fromEnd` the edge is the far one (a right or bottom border), and the line ends there.
DeviceSpan DeviceLineSpan(qreal position, qreal scale, bool fromEnd = false);

// Fills the line along the top (Qt::Horizontal) or left edge of `line` (in `painter`'s
// coordinates) with whole screen pixels: across it as DeviceLineSpan, along it from the
// pixel nearest its start to the one nearest its end. `fromEnd` lays it along the bottom or
// right edge instead.
void FillDeviceLine(QPainter& painter, const QRectF& line, Qt::Orientation orientation,
                    const QColor& colour, bool fromEnd = false);

// Draws the plain HLine or VLine of a QFrame (a divider in a window design) as a line of
// whole screen pixels, in the frame's WindowText colour, instead of the frame's own paint.
// Install on the frame; the filter belongs to it.
void DrawAsDeviceLine(QWidget* frame);

}  // namespace tavrin
