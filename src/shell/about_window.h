// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

class QEvent;
class QLabel;

namespace Ui {
class GYW;
}

class QWindow;

namespace tavrin {

class ClipPlayer;

// The About window: a picture panel with one leave button. It has no owner, so it outlives
// the face window; at most one is open at a time, and each opening starts from its design.
class AboutWindow : public QWidget {
    Q_OBJECT

public:
    // Opens the window, playing its sound first when sound effects are on. When one is
    // already open it is only brought to the front, silently. Returns the open window.
    // `nextTo`, when given, is the window a compositor places it by and keeps
    // it in front of; the About window still outlives it.
    static AboutWindow* ShowAbout(bool soundEffectsOn, ClipPlayer& player,
                                  QWindow* nextTo = nullptr);

    // Whether a window is open (closed ones no longer count, even before they are deleted).
    static bool IsOpen();
    // The open window, or nullptr.
    static AboutWindow* Current();

    ~AboutWindow() override;

    QLabel* LeaveButton() const;

signals:
    // The window has been closed; it deletes itself right after.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    AboutWindow(bool soundEffectsOn, ClipPlayer& player);

    void Form_Load(bool soundEffectsOn, ClipPlayer& player);
    void LeaveButton_MouseDown(Qt::MouseButton button);
    void LeaveButton_MouseUp(Qt::MouseButton button);
    void LeaveButton_Click();
    void PlaceFrameGrips();

    std::unique_ptr<Ui::GYW> ui_;
    // The leave-button control the left button went down on, until it comes up.
    QObject* pressedOn_ = nullptr;
    QList<QWidget*> frameGrips_;

    static QPointer<AboutWindow> current_;
};

}  // namespace tavrin
