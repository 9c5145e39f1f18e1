// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/oval_shape.h"

#include <QPainter>

namespace tavrin {

OvalShape::OvalShape(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OvalShape::setFillColor(const QColor& color) {
    if (fill_ == color) return;
    fill_ = color;
    update();
}

void OvalShape::setOutlineColor(const QColor& color) {
    if (outline_ == color) return;
    outline_ = color;
    update();
}

QColor OvalShape::effectiveOutlineColor() const {
    return outline_.isValid() ? outline_ : palette().color(QPalette::WindowText);
}

void OvalShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(effectiveOutlineColor(), 1.0));
    painter.setBrush(fill_);
    // Half a pixel in, so the 1-pixel outline lies wholly inside the rectangle.
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace tavrin
