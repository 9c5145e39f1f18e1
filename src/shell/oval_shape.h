// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace tavrin {

// A drawn-only oval with a solid fill and a 1-pixel outline that fills its rectangle: the
// cheeks and the nose of the face. It takes no input, so presses fall through to the face.
class OvalShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
    // An invalid colour (the default) draws the outline in the palette's window text colour.
    Q_PROPERTY(QColor outlineColor READ outlineColor WRITE setOutlineColor)

public:
    explicit OvalShape(QWidget* parent = nullptr);

    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& color);

    QColor outlineColor() const { return outline_; }
    void setOutlineColor(const QColor& color);

    // The colour the outline is actually drawn in.
    QColor effectiveOutlineColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_ = Qt::white;
    QColor outline_;
};

}  // namespace tavrin
