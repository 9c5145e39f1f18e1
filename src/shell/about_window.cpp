// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/about_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "shell/pictures.h"
#include "sound/clip_player.h"
#include "sound/clip_table.h"
#include "ui_about_window.h"

namespace tavrin {

namespace {

constexpr int kFrameThickness = 4;
constexpr int kCornerSize = 12;

// One side or corner of the invisible sizable frame. The window has no title bar, so the
// window manager draws no frame to drag; these strips along the border stand in for it.
class FrameGrip : public QWidget {
public:
    FrameGrip(Qt::Edges edges, QWidget* parent) : QWidget(parent), edges_(edges) {
        setCursor(CursorFor(edges));
    }

    Qt::Edges Edges() const { return edges_; }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
        QWindow* handle = window()->windowHandle();
        // Let the window manager resize when it can; otherwise follow the pointer ourselves.
        if (handle != nullptr && handle->startSystemResize(edges_)) return;
        dragging_ = true;
        pressedAt_ = event->globalPosition().toPoint();
        startGeometry_ = window()->geometry();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!dragging_) return;
        const QPoint d = event->globalPosition().toPoint() - pressedAt_;
        const QSize least = window()->minimumSize().expandedTo(QSize(2, 2) * kCornerSize);
        QRect g = startGeometry_;
        if (edges_ & Qt::LeftEdge) {
            g.setLeft(std::min(g.left() + d.x(), g.right() + 1 - least.width()));
        }
        if (edges_ & Qt::RightEdge) {
            g.setRight(std::max(g.right() + d.x(), g.left() - 1 + least.width()));
        }
        if (edges_ & Qt::TopEdge) {
            g.setTop(std::min(g.top() + d.y(), g.bottom() + 1 - least.height()));
        }
        if (edges_ & Qt::BottomEdge) {
            g.setBottom(std::max(g.bottom() + d.y(), g.top() - 1 + least.height()));
        }
        window()->setGeometry(g);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) dragging_ = false;
    }

private:
    static Qt::CursorShape CursorFor(Qt::Edges edges) {
        const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
        if (horizontal && vertical) {
            const bool falling =
                edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
            return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
        }
        return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
    }

    Qt::Edges edges_;
    bool dragging_ = false;
    QPoint pressedAt_;
    QRect startGeometry_;
};

}  // namespace

QPointer<AboutWindow> AboutWindow::current_;

AboutWindow* AboutWindow::ShowAbout(bool soundEffectsOn, ClipPlayer& player, QWindow* nextTo) {
    if (AboutWindow* open = Current()) {
        if (open->isMinimized()) open->showNormal();
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* window = new AboutWindow(soundEffectsOn, player);
    current_ = window;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->geometry().center());
        window->move(frame.topLeft());
    }
    if (nextTo) {
        // A tiling compositor (sway) fills the screen with an ordinary window
        // that can be resized; a dialog it floats, where Wayland a window with a parent.
        window->setWindowFlag(Qt::Dialog);
        window->winId();
        // Through Xwayland the dialog's type is enough, and a parent harmful: weston 10's desktop
        // shell takes the parent's shell surface without a check (desktop_surface_set_parent) and
        // crashed when 关于作者 was chosen. Qt names its own client leader instead, which has no
        // surface, so no X compositor is asked to parent anything.
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            window->windowHandle()->setTransientParent(nextTo);
    }
    window->show();
    window->activateWindow();
    return window;
}

bool AboutWindow::IsOpen() { return Current() != nullptr; }

AboutWindow* AboutWindow::Current() { return current_.data(); }

AboutWindow::AboutWindow(bool soundEffectsOn, ClipPlayer& player)
    // No parent: the window must not follow the face window when that one closes.
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), ui_(std::make_unique<Ui::GYW>()) {
    InitPictures();
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);

    // The design's pictures are 1x; a dense screen gets those drawn for its density.
    const qreal density = devicePixelRatioF();
    if (density > 1) {
        ui_->Image1->setPixmap(CompiledPicture(QStringLiteral("about.jpg"), density));
        const QPixmap released = CompiledPicture(QStringLiteral("leave_released.bmp"), density);
        ui_->Image2->setPixmap(released);
        ui_->Image3->setPixmap(released);
        ui_->Image4->setPixmap(CompiledPicture(QStringLiteral("leave_pressed.bmp"), density));
    }
    const QPixmap pointer = CompiledPicture(QStringLiteral("about_pointer.ico"), density);
    if (!pointer.isNull()) {
        // The arrow's tip, at the picture's corner, is where a click lands.
        const QCursor cursor = PointerCursor(pointer, {0, 0});
        setCursor(cursor);
        ui_->Image1->setCursor(cursor);
    }
    // The other controls keep the ordinary arrow rather than the panel's pointer.
    for (QWidget* control :
         {static_cast<QWidget*>(ui_->Image2), static_cast<QWidget*>(ui_->Image3),
          static_cast<QWidget*>(ui_->Image4), static_cast<QWidget*>(ui_->Label1),
          static_cast<QWidget*>(ui_->Label2), static_cast<QWidget*>(ui_->Label3),
          static_cast<QWidget*>(ui_->Label4), static_cast<QWidget*>(ui_->Label5)}) {
        control->setCursor(Qt::ArrowCursor);
    }

    // The name strips read from top to bottom, one character under the other.
    for (QLabel* strip : {ui_->Label3, ui_->Label4}) {
        if (!strip->text().contains(QLatin1Char('\n'))) {
            strip->setText(strip->text().split(QString(), Qt::SkipEmptyParts).join('\n'));
        }
        // The strips were drawn for a shorter name; grown about their centre
        // they show the whole of it instead of a cut-off "Tavr".
        strip->ensurePolished();
        const int needed = strip->sizeHint().height();
        if (needed > strip->height()) {
            const QRect designed = strip->geometry();
            strip->setGeometry(designed.x(), designed.center().y() - needed / 2, designed.width(),
                               needed);
        }
    }

    ui_->Image2->installEventFilter(this);
    ui_->Label5->installEventFilter(this);

    for (Qt::Edges edges :
         {Qt::Edges(Qt::LeftEdge), Qt::Edges(Qt::RightEdge), Qt::Edges(Qt::TopEdge),
          Qt::Edges(Qt::BottomEdge), Qt::TopEdge | Qt::LeftEdge, Qt::TopEdge | Qt::RightEdge,
          Qt::BottomEdge | Qt::LeftEdge, Qt::BottomEdge | Qt::RightEdge}) {
        frameGrips_.append(new FrameGrip(edges, this));
    }
    PlaceFrameGrips();

    Form_Load(soundEffectsOn, player);
}

AboutWindow::~AboutWindow() = default;

QLabel* AboutWindow::LeaveButton() const { return ui_->Image2; }

void AboutWindow::Form_Load(bool soundEffectsOn, ClipPlayer& player) {
    if (soundEffectsOn) player.PlayClip(clips::ClipAbout.from, clips::ClipAbout.to);
}

void AboutWindow::LeaveButton_MouseDown(Qt::MouseButton button) {
    if (button == Qt::LeftButton) ui_->Image2->setPixmap(ui_->Image4->pixmap());
}

void AboutWindow::LeaveButton_MouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton) ui_->Image2->setPixmap(ui_->Image3->pixmap());
}

void AboutWindow::LeaveButton_Click() { close(); }

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui_->Image2 && watched != ui_->Label5)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) pressedOn_ = watched;
            LeaveButton_MouseDown(mouse->button());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            LeaveButton_MouseUp(mouse->button());
            if (mouse->button() != Qt::LeftButton) return true;
            // A label has no click of its own: it is a left press and release on the same
            // control, let go inside it.
            const bool click =
                pressedOn_ == watched &&
                static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
            pressedOn_ = nullptr;
            if (click) LeaveButton_Click();
            return true;
        }
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void AboutWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    // The deletion comes later; from here on a new opening must start a fresh window.
    if (current_ == this) current_.clear();
    emit Closed();
}

void AboutWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceFrameGrips();
}

void AboutWindow::PlaceFrameGrips() {
    const int w = width();
    const int h = height();
    const int t = kFrameThickness;
    const int c = kCornerSize;
    for (QWidget* widget : frameGrips_) {
        const Qt::Edges edges = static_cast<FrameGrip*>(widget)->Edges();
        const bool left = edges & Qt::LeftEdge;
        const bool right = edges & Qt::RightEdge;
        const bool top = edges & Qt::TopEdge;
        const bool bottom = edges & Qt::BottomEdge;
        QRect r;
        if ((left || right) && (top || bottom)) {
            r = QRect(left ? 0 : w - c, top ? 0 : h - c, c, c);
        } else if (left || right) {
            r = QRect(left ? 0 : w - t, c, t, h - 2 * c);
        } else {
            r = QRect(c, top ? 0 : h - t, w - 2 * c, t);
        }
        widget->setGeometry(r);
        widget->raise();
    }
}

}  // namespace tavrin
