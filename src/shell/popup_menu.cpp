// SPDX-License-Identifier: GPL-3.0-or-later
// The face window's popup menu "wenjian", its tray icon and the options it switches.
#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

#include "shell/about_window.h"
#include "shell/device_line.h"
#include "shell/face_window.h"
#include "shell/messages.h"
#include "shell/pictures.h"
#include "ui_face_window.h"

namespace tavrin {

namespace {

// The menu's colours: a pink text bar beside an olive icon bar on black, and a
// light green hover with a green edge and magenta text.
// The olive bar is drawn as the first tenth of the menu's background, since a
// wide left border would widen the menu's frame on every side. The 1-pixel lines
// (the black border and separators, the green edge) keep their room here but are
// drawn by PopupMenu, at whole screen pixels.
const char* const kMenuStyle = R"(
QMenu {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0,
        stop: 0 #808000, stop: 0.09 #808000, stop: 0.0901 #FFC0FF, stop: 1 #FFC0FF);
    border: 1px solid transparent;
    padding: 2px 0px;
}
QMenu::item {
    color: #000000;
    background-color: transparent;
    padding: 4px 28px 4px 32px;
    border: 1px solid transparent;
}
QMenu::item:selected {
    color: #FF00FF;
    background-color: #C0FFC0;
    border: 1px solid transparent;
}
QMenu::separator {
    height: 1px;
    background: transparent;
    margin: 3px 4px 3px 28px;
}
QMenu::indicator {
    width: 10px;
    height: 10px;
    left: 6px;
    border: none;
}
QMenu::indicator:checked {
    background-color: #FFFFFF;
    border-radius: 5px;
}
)";

const QColor kMenuLine(0x00, 0x00, 0x00);
const QColor kSelectedEdge(0x00, 0xC0, 0x00);
// Where a separator's line lies within its item: the style sheet's margin.
const QMargins kSeparatorMargins(28, 3, 4, 3);

// A rectangle's four 1-pixel edges, inside it.
void FillDeviceFrame(QPainter& painter, const QRectF& box, const QColor& colour) {
    FillDeviceLine(painter, box, Qt::Horizontal, colour);
    FillDeviceLine(painter, box, Qt::Horizontal, colour, /*fromEnd=*/true);
    FillDeviceLine(painter, box, Qt::Vertical, colour);
    FillDeviceLine(painter, box, Qt::Vertical, colour, /*fromEnd=*/true);
}

// The menu's lines, even at 1.25 or 1.75 screen pixels to the pixel, where a style sheet's
// 1-pixel border comes out one or two pixels thick depending on where it falls.
class PopupMenu : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void paintEvent(QPaintEvent* event) override {
        QMenu::paintEvent(event);
        QPainter painter(this);
        FillDeviceFrame(painter, rect(), kMenuLine);
        for (QAction* action : actions())
            if (action->isSeparator())
                FillDeviceLine(painter, actionGeometry(action).marginsRemoved(kSeparatorMargins),
                               Qt::Horizontal, kMenuLine);
        if (QAction* active = activeAction(); active && !active->isSeparator())
            FillDeviceFrame(painter, actionGeometry(active), kSelectedEdge);
    }
};

}  // namespace

QString HelpText() {
    return QStringLiteral(
        "本程序的操作很简单的。如果你真的有什么不懂的地方，请你和我联系，我的信箱是："
        "help@tavrin.example");
}

void FaceWindow::SetUpMenu() {
    auto& ui = *ui_;
    menu_ = new PopupMenu(QStringLiteral("wenjian"), this);
    menu_->setObjectName(QStringLiteral("wenjian"));
    menu_->setStyleSheet(QString::fromUtf8(kMenuStyle));
    menu_->addAction(ui.menu_wj_1);
    menu_->addSeparator();
    menu_->addAction(ui.menu_wj_3);
    menu_->addAction(ui.menu_wj_4);
    menu_->addSeparator();
    menu_->addAction(ui.menu_wj_6);
    menu_->addAction(ui.menu_wj_7);
    menu_->addSeparator();
    QMenu* about = new PopupMenu(QStringLiteral("关于……"), menu_);
    menu_->addMenu(about);
    about->setObjectName(QStringLiteral("menu_wj_13"));
    about->setStyleSheet(QString::fromUtf8(kMenuStyle));
    about->addAction(ui.menu_gy_1);
    menu_->addSeparator();
    menu_->addAction(ui.menu_wj_15);
    menu_->addSeparator();
    menu_->addAction(ui.menu_wj_17);
    // For the parent, after everything the child uses.
    menu_->addSeparator();
    practiceRecord_ = menu_->addAction(QStringLiteral("练习记录"));
    practiceRecord_->setObjectName(QStringLiteral("practiceRecord"));
    connect(practiceRecord_, &QAction::triggered, this, [this] {
        if (parts_.showPracticeRecord) parts_.showPracticeRecord();
    });
    review_ = menu_->addAction(QStringLiteral("复习错题"));
    review_->setObjectName(QStringLiteral("review"));
    connect(review_, &QAction::triggered, this, &FaceWindow::ReviewCommand);
}

void FaceWindow::FinishStartUp() {
    // Reading the icons loads Qt's ICO plugin, and looking for a tray may wait on the session
    // bus: both come once the face is on screen, where a child cannot tell the difference.
    if (startUpFinished_ || unloaded_) return;
    startUpFinished_ = true;
    ChoosePointersAndIcon();

    if (!parts_.useTray) return;
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(QStringLiteral("Tavrin3.03"));
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // Only the right button opens the menu; other clicks on the icon do nothing.
        if (r == QSystemTrayIcon::Context) ShowPopupMenu(QCursor::pos());
    });
    tray_->show();
}

void FaceWindow::ChoosePointersAndIcon() {
    const QPixmap face = CompiledPicture(QStringLiteral("face.ico"));
    QIcon icon(face);
    // Pointers at the screen's density, each with its tip (the hot spot) at its top-left corner.
    const qreal density = devicePixelRatioF();
    const auto pointer = [density](const char* name) {
        return PointerCursor(CompiledPicture(QString::fromLatin1(name), density), {0, 0});
    };
    if (density > 1) {
        const QPixmap denseFace = CompiledPicture(QStringLiteral("face.ico"), density);
        icon.addPixmap(denseFace);
        ui_->picshape->setCursor(PointerCursor(denseFace, {0, 0}));
    } else {
        ui_->picshape->setCursor(QCursor(face, 0, 0));
    }
    setWindowIcon(icon);
    if (tray_) tray_->setIcon(icon);
    ui_->Text1->setCursor(pointer("pencil.ico"));
    ui_->Label1->setCursor(pointer("label1_pointer.ico"));
    ui_->Label4->setCursor(pointer("label4_pointer.ico"));
}

bool FaceWindow::HasTray() const { return tray_ && QSystemTrayIcon::isSystemTrayAvailable(); }

void FaceWindow::ShowPopupMenu(const QPoint& globalPosition) {
    if (menu_) menu_->popup(globalPosition);
}

void FaceWindow::OnMenuItemChosen(int index) {
    switch (index) {
        case 1:
            NewSetCommand();
            break;
        case 3:
        case 4:
        case 6:
        case 7:
            SwitchOption(index);
            break;
        case 15:
            ShowMessage(this, HelpText());
            break;
        case 17:
            close();
            break;
        default:
            break;
    }
}

void FaceWindow::OnAboutMenuItemChosen(int index) {
    if (index != 1) return;
    AboutWindow* about = AboutWindow::ShowAbout(
        SoundEffectsOn(), *player_, OutlineInPixels(outline_) ? windowHandle() : nullptr);
    // Once the face has gone, closing the last About window ends the program.
    connect(about, &AboutWindow::Closed, this, &FaceWindow::QuitIfNoWindowRemains,
            Qt::UniqueConnection);
    // Without a window manager the keyboard would go nowhere once the window has gone; the
    // child types the next answer.
    connect(about, &AboutWindow::Closed, this, &FaceWindow::FocusAnswerBoxIfLoaded,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
}

void FaceWindow::FocusAnswerBoxIfLoaded() {
    if (!unloaded_) FocusAnswerBox();
}

void FaceWindow::SwitchOption(int index) {
    auto& ui = *ui_;
    const bool voice = index == 3 || index == 4;
    const bool on = index == 3 || index == 6;
    // The outcome is not shown to the child: a failed write only means the
    // next start reads the old value, and the switch holds for this run.
    settings_.Write(voice ? SettingsFile::kVoicePromptsKey : SettingsFile::kSoundEffectsKey, on);
    QAction* onItem = voice ? ui.menu_wj_3 : ui.menu_wj_6;
    QAction* offItem = voice ? ui.menu_wj_4 : ui.menu_wj_7;
    (on ? onItem : offItem)->setChecked(true);
    (on ? offItem : onItem)->setChecked(false);
    // The sound opens now, so that the next click is heard on time.
    if (on) player_->Prepare();
}

}  // namespace tavrin
