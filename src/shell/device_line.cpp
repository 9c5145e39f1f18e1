// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/device_line.h"

#include <QEvent>
#include <QFrame>
#include <QPainter>
#include <QRectF>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace tavrin {

namespace {

class DeviceLineFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* frame = qobject_cast<QFrame*>(watched);
        if (!frame || event->type() != QEvent::Paint) return false;
        const QFrame::Shape shape = frame->frameShape();
        if (shape != QFrame::HLine && shape != QFrame::VLine) return false;
        // The frame centres its line; a 1-pixel-high divider has it at its top.
        const bool horizontal = shape == QFrame::HLine;
        const QRect r = frame->rect();
        const QRectF line = horizontal
                                ? QRectF(r.left(), r.top() + (r.height() - 1) / 2, r.width(), 1)
                                : QRectF(r.left() + (r.width() - 1) / 2, r.top(), 1, r.height());
        QPainter painter(frame);
        FillDeviceLine(painter, line, horizontal ? Qt::Horizontal : Qt::Vertical,
                       frame->palette().color(QPalette::WindowText));
        return true;
    }
};

}  // namespace

int DeviceLineThickness(qreal scale) {
    // A ratio a hair below a whole number (from a DPI of 191.99) still counts as it.
    return std::max(1, int(std::floor(scale + 1e-6)));
}

DeviceSpan DeviceLineSpan(qreal position, qreal scale, bool fromEnd) {
    const int thickness = DeviceLineThickness(scale);
    const int edge = int(std::lround(position * scale));
    return {fromEnd ? edge - thickness : edge, thickness};
}

void FillDeviceLine(QPainter& painter, const QRectF& line, Qt::Orientation orientation,
                    const QColor& colour, bool fromEnd) {
    // Worked out in the painter's device pixels, whatever brought it there: a window's
    // backing store, or a grab of the widget at the screen's ratio.
    const QTransform toDevice = painter.deviceTransform();
    if (!toDevice.isInvertible()) return;
    const QRectF device = toDevice.mapRect(line);
    const bool horizontal = orientation == Qt::Horizontal;
    const qreal scale = horizontal ? std::abs(toDevice.m22()) : std::abs(toDevice.m11());
    // The spans work in device-independent positions; the device ones are divided back.
    const qreal across = horizontal ? (fromEnd ? device.bottom() : device.top())
                                    : (fromEnd ? device.right() : device.left());
    const DeviceSpan span = DeviceLineSpan(across / scale, scale, fromEnd);
    const int from = int(std::lround(horizontal ? device.left() : device.top()));
    const int to = int(std::lround(horizontal ? device.right() : device.bottom()));
    if (to <= from) return;
    const QRect pixels = horizontal ? QRect(from, span.start, to - from, span.length)
                                    : QRect(span.start, from, span.length, to - from);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Back through the inverse, the rectangle's edges land on pixel edges again, and an
    // aliased fill takes exactly the pixels whose centres lie inside.
    painter.fillRect(toDevice.inverted().mapRect(QRectF(pixels)), colour);
    painter.restore();
}

void DrawAsDeviceLine(QWidget* frame) { frame->installEventFilter(new DeviceLineFilter(frame)); }

}  // namespace tavrin
