// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/face_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "shell/about_window.h"
#include "shell/eyes.h"
#include "shell/messages.h"
#include "shell/number_box.h"
#include "shell/oval_shape.h"
#include "shell/pictures.h"
#include "shell/question_set_dialog.h"
#include "shell/window_shape.h"
#include "sound/clip_table.h"
#include "ui_face_window.h"

namespace tavrin {

namespace {

const QColor kLabelYellow(255, 255, 0);
const QColor kLabelPressed(0, 0, 191);

void Play(ClipPlayer& player, const Clip& clip) { player.PlayClip(clip.from, clip.to); }

// Labels that size themselves to their caption, keeping their left edge.
void SetAutoSizedText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// Centres in doubled pixels: a rectangle 31 px wide from x = 96 is centred on 111.5.
int CentreTwice(const QRect& r) { return 2 * r.x() + r.width(); }
// Where an even width cannot sit exactly on a half-pixel centre it goes half a
// pixel left, always the same way, so captions never wander.
int CentredLeft(int centreTwice, int width) {
    const int twice = centreTwice - width;
    return twice >= 0 ? twice / 2 : -((-twice + 1) / 2);
}

QString DataFolder(const QString& configured) {
    return configured.isEmpty() ? DefaultDataFolder() : configured;
}

}  // namespace

// <prefix>/bin/tavrin reads <prefix>/share/tavrin/eye, whatever the prefix.
QString DefaultDataFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/tavrin/eye"));
}

FaceWindow::FaceWindow(FaceWindowParts parts, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::FORM1>()),
      parts_(std::move(parts)),
      settings_(parts_.settingsPath),
      player_(std::make_unique<SilentClipPlayer>()) {
    InitPictures();
    // The face is a tool window, which Qt does not count when it looks for the
    // last window: closing an About window would end the whole session. The
    // program ends by the face's own rule instead (QuitIfNoWindowRemains).
    QGuiApplication::setQuitOnLastWindowClosed(false);
    ui_->setupUi(this);
    setFixedSize(size());
    // Before the native window exists: only then does it get an alpha channel.
    outline_ = CurrentOutlineMode();
    if (OutlineInPixels(outline_)) {
        setAttribute(Qt::WA_TranslucentBackground);
        ui_->picshape->setAutoFillBackground(false);
    }
    // On a dense screen the pictures drawn for its density; at 1x only the 1x pictures are read.
    const qreal density = devicePixelRatioF();
    picturesRatio_ = density;
    ui_->picshape->setPixmap(
        CompiledPicture(QStringLiteral("skin.bmp"), density, Ground::kWhiteCutAway));
    const QPixmap eye = CompiledPicture(QStringLiteral("eye.bmp"), density);
    ui_->Image1->setPixmap(eye);
    ui_->Image2->setPixmap(eye);
    designedCentres_ = {CentreTwice(ui_->Label3->geometry()), CentreTwice(ui_->Label6->geometry())};
    label7_ = {ui_->Label7_0, ui_->Label7_1, ui_->Label7_2, ui_->Label7_3,
               ui_->Label7_4, ui_->Label7_5, ui_->Label7_6};

    // The face's ground is the desktop's window colour; where it is white, as
    // on most desktops, the shape cuts it away with the skin's white.
    QPalette face = ui_->picshape->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Base));
    ui_->picshape->setPalette(face);

    // The icon and pointer pictures wait for the face's first paint (FinishStartUp).
    ui_->Command1->setCursor(Qt::ArrowCursor);
    ui_->Command4->setCursor(Qt::ArrowCursor);

    // What lies on the face takes its own presses, so pressing it never drags
    // the window; the ovals are only paint, and the face behind them drags.
    for (QWidget* child : ui_->picshape->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<OvalShape*>(child))
            child->setAttribute(Qt::WA_TransparentForMouseEvents);
        else
            child->setAttribute(Qt::WA_NoMousePropagation);
    }
    ui_->picshape->installEventFilter(this);
    ui_->Label1->installEventFilter(this);
    ui_->Label4->installEventFilter(this);
    ui_->Text1->installEventFilter(this);
    ui_->Command1->installEventFilter(this);
    ui_->Command4->installEventFilter(this);

    eyes_ =
        std::make_unique<Eyes>(ui_->Image1, ui_->Image2, DataFolder(parts_.dataFolder), random_);
    ui_->Command1->installEventFilter(new EyePressFilter(*eyes_, ui_->Command1));

    marqueeTimer_.setInterval(500);
    eyeTimer_.setInterval(300);
    welcomeTimer_.setInterval(2000);
    announcementTimer_.setInterval(1000);
    connect(&marqueeTimer_, &QTimer::timeout, this, &FaceWindow::OnMarqueeTick);
    connect(&eyeTimer_, &QTimer::timeout, this, &FaceWindow::OnEyeTick);
    connect(&welcomeTimer_, &QTimer::timeout, this, &FaceWindow::OnWelcomeTimeout);
    connect(&announcementTimer_, &QTimer::timeout, this, &FaceWindow::OnAnnouncementTick);
    eyeTimer_.start();

    connect(ui_->Command1, &QPushButton::clicked, this, &FaceWindow::OnConfirmClicked);
    // Enter in the answer box is the child's quickest 确定, and does nothing
    // while 确定 itself is disabled.
    connect(ui_->Text1, &QLineEdit::returnPressed, this, [this] {
        if (ui_->Command1->isEnabled()) OnConfirmClicked();
    });
    KeepNumberBoxAscii(ui_->Text1);
    ui_->Text1->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
    connect(ui_->Command4, &QPushButton::clicked, this, &FaceWindow::OnScoreClicked);
    const std::pair<QAction*, int> items[] = {
        {ui_->menu_wj_1, 1}, {ui_->menu_wj_3, 3},   {ui_->menu_wj_4, 4},  {ui_->menu_wj_6, 6},
        {ui_->menu_wj_7, 7}, {ui_->menu_wj_15, 15}, {ui_->menu_wj_17, 17}};
    for (auto [action, index] : items)
        connect(action, &QAction::triggered, this,
                [this, index = index] { OnMenuItemChosen(index); });
    connect(ui_->menu_gy_1, &QAction::triggered, this, [this] { OnAboutMenuItemChosen(1); });
}

FaceWindow::~FaceWindow() {
    if (dialog_) delete dialog_.data();
}

void FaceWindow::Load() {
    (settings_.IsOn(SettingsFile::kVoicePromptsKey) ? ui_->menu_wj_3 : ui_->menu_wj_4)
        ->setChecked(true);
    (settings_.IsOn(SettingsFile::kSoundEffectsKey) ? ui_->menu_wj_6 : ui_->menu_wj_7)
        ->setChecked(true);
    flow_.Reset();
    flow_.recordMarkedSet = parts_.recordMarkedSet;

    const QString speechFile = DataFolder(parts_.dataFolder) + QStringLiteral("/s");
    if (parts_.openSpeechFile) {
        if (auto opened = parts_.openSpeechFile(speechFile)) player_ = std::move(opened);
    }
    // With both options off no clip can play until one is switched on: nothing of sound loads.
    if (SoundEffectsOn() || VoicePromptsOn()) player_->Prepare();

    if (SoundEffectsOn()) Play(*player_, clips::ClipStartup);
    if (VoicePromptsOn()) welcomeTimer_.start();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    BuildWindowShape();
    SetUpMenu();
    // A face that is never painted (an unmapped window) still gets its icons and tray.
    QTimer::singleShot(kLatestStartUpFinishMs, this, &FaceWindow::FinishStartUp);
    ui_->Label4->setText(QStringLiteral(" 退\n出"));
    ui_->Label1->setText(QStringLiteral("出\n  题"));
}

void FaceWindow::QuitIfNoWindowRemains() {
    if (unloaded_ && !AboutWindow::IsOpen()) QCoreApplication::quit();
}

void FaceWindow::Unload() {
    unloaded_ = true;
    // Closing the speech file: later clips, from a timer still due, play nothing.
    player_ = std::make_unique<SilentClipPlayer>();
    if (dialog_) delete dialog_.data();
    marqueeTimer_.stop();
    eyeTimer_.stop();
    welcomeTimer_.stop();
    announcementTimer_.stop();
    if (tray_) tray_->hide();
}

void FaceWindow::FollowScreenRatio() {
    const qreal ratio = devicePixelRatioF();
    if (ratio == picturesRatio_ || unloaded_) return;
    picturesRatio_ = ratio;
    ui_->picshape->setPixmap(
        CompiledPicture(QStringLiteral("skin.bmp"), ratio, Ground::kWhiteCutAway));
    if (!eyes_->ShowAgain()) {
        const QPixmap eye = CompiledPicture(QStringLiteral("eye.bmp"), ratio);
        ui_->Image1->setPixmap(eye);
        ui_->Image2->setPixmap(eye);
    }
    if (startUpFinished_) ChoosePointersAndIcon();
    // The old outline belongs to the old pixels: kept, a 1x shape on a doubled window shows
    // only its top-left quarter, and clicks miss what is drawn.
    cutFace_ = QImage();
    BuildWindowShape();
}

void FaceWindow::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
    QuitIfNoWindowRemains();
}

bool FaceWindow::VoicePromptsOn() const { return ui_->menu_wj_3->isChecked(); }
bool FaceWindow::SoundEffectsOn() const { return ui_->menu_wj_6->isChecked(); }

void FaceWindow::SetQuestionTexts(const QString& first, const QString& sign,
                                  const QString& second) {
    SetCentredText(ui_->Label3, designedCentres_[0], first);
    SetCentredText(ui_->Label6, designedCentres_[1], sign);
    SetAutoSizedText(ui_->Label5, second);
}

void FaceWindow::SetCentredText(QLabel* label, int designedCentreTwice, const QString& text) {
    // The centre comes from the design every time: worked out again from the
    // label's last, rounded geometry, it crept a pixel left with every even
    // width, and after a long session the operand slid off its cheek.
    SetAutoSizedText(label, text);
    label->move(CentredLeft(designedCentreTwice, label->width()), label->y());
}

void FaceWindow::FocusAnswerBox() {
    raise();
    activateWindow();
    ui_->Text1->setFocus();
}

void FaceWindow::OnWelcomeTimeout() {
    Play(*player_, clips::ClipStartupPrompt);
    welcomeTimer_.stop();
}

void FaceWindow::OnEyeTick() { eyes_->Tick(); }

void FaceWindow::OnNewSetLabelClicked() { NewSetCommand(); }

void FaceWindow::BuildWindowShape() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = parts_.screenDepth ? parts_.screenDepth : screen ? screen->depth() : 32;
    if (depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        ShowMessage(this, QStringLiteral("对不起，程序必须在 16位, 24-位 或 32-位 颜色下。"),
                    MessageIcon::Warning);
        return;
    }
    // The face as the box shows it: the skin at the top-left of its client
    // area, over the box's own ground.
    QLabel* box = ui_->picshape;
    const QRect client = box->contentsRect();
    // Below 1x (a screen scaled down) the shape stays in whole pixels, as at 1x.
    const qreal density = std::max<qreal>(devicePixelRatioF(), 1);
    const QImage face =
        FaceImage(client.size(), box->palette().color(QPalette::Window), box->pixmap(), density);
    std::optional<std::vector<ShapeRect>> rects;
    QRegion shape;
    if (density > 1) {
        // On a dense screen the shape is cut at the screen's own pixels, along the skin where
        // it is drawn (inside the box's frame), so that no white of the ground stays on it.
        const QPoint skin = box->geometry().topLeft() + client.topLeft();
        rects = ScanWindowShape(face, depth, std::lround(skin.x() * density),
                                std::lround(skin.y() * density));
        if (!rects || rects->empty()) return;
        shape = CoveringRegion(*rects, density);
    } else {
        const ShapeOrigin origin = FaceOrigin(frameGeometry().width(), frameGeometry().height(),
                                              width(), height(), box->x(), box->y());
        rects = ScanWindowShape(face, depth, origin.x0, origin.y0);
        if (!rects || rects->empty()) return;
        shape = ShapeRegion(*rects);
    }
    const QRegion devicePixels = density > 1 ? ShapeRegion(*rects) : shape;
    if (OutlineInPixels(outline_)) {
        // The face as it is drawn, in the screen's own pixels, with everything outside the
        // outline made transparent.
        QImage drawn(size() * density, QImage::Format_RGB32);
        drawn.setDevicePixelRatio(density);
        drawn.fill(box->palette().color(QPalette::Window));
        box->render(&drawn, box->pos(), QRegion(), {});
        const QRect boxPixels(box->pos() * density, box->size() * density);
        cutFace_ = CutToShape(drawn.copy(boxPixels), devicePixels.translated(-boxPixels.topLeft()));
        cutFace_.setDevicePixelRatio(density);
    }
    SetWindowOutline(this, shape, devicePixels, outline_);
    update();
}

void FaceWindow::SetLabel1Colour(const QColor& colour) {
    QPalette palette = ui_->Label1->palette();
    palette.setColor(QPalette::WindowText, colour);
    ui_->Label1->setPalette(palette);
}

bool FaceWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->picshape) {
        if (event->type() == QEvent::Paint && !startUpFinished_)
            QTimer::singleShot(0, this, &FaceWindow::FinishStartUp);
        // A new screen, or a new ratio of its screen, repaints the window with the new ratio
        // in place; Qt's screen-change event alone missed the face's move off a 2x monitor.
        // Qt has resized the window by the time the queued call comes.
        if (event->type() == QEvent::Paint && devicePixelRatioF() != picturesRatio_)
            QTimer::singleShot(0, this, &FaceWindow::FollowScreenRatio);
        if (event->type() == QEvent::Paint && !cutFace_.isNull()) {
            QPainter(ui_->picshape).drawImage(0, 0, cutFace_);
            return true;
        }
        return OnFaceMouse(event);
    }
    const auto type = event->type();
    // Typing an answer or pressing a button comes before the click it makes: a device
    // that rested opens meanwhile, so the click is not late.
    if ((type == QEvent::KeyPress || type == QEvent::MouseButtonPress) && SoundEffectsOn())
        player_->Prepare();
    if (type == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The menu key means the program's menu wherever the focus is, not the answer
        // box's editing menu (a right click on the box still edits); the buttons keep
        // events from the face, so they would swallow it.
        contextMenuEvent(static_cast<QContextMenuEvent*>(event));
        return true;
    }
    if (watched == ui_->Text1 && type == QEvent::ShortcutOverride) {
        // The answer box would take Ctrl+C and its kin as editing keys; the
        // menu's shortcuts must win while the face is active.
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (QAction* action : actions())
            if (action->shortcut() == pressed) {
                event->ignore();
                return true;
            }
    }
    if (watched == ui_->Label1) {
        OnNewSetLabelMouse(event);
    } else if (watched == ui_->Label4 && type == QEvent::MouseButtonPress) {
        QPalette palette = ui_->Label4->palette();
        palette.setColor(QPalette::WindowText, kLabelPressed);
        ui_->Label4->setPalette(palette);
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FaceWindow::OnNewSetLabelMouse(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            label1PressWasDouble_ = false;
            SetLabel1Colour(kLabelPressed);
            break;
        case QEvent::MouseButtonDblClick:
            // The first half of a double click was already a click; its second
            // half must not run the command again.
            label1PressWasDouble_ = true;
            SetLabel1Colour(kLabelPressed);
            break;
        case QEvent::MouseButtonRelease: {
            SetLabel1Colour(kLabelYellow);
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && !label1PressWasDouble_ &&
                ui_->Label1->rect().contains(mouse->position().toPoint()))
                OnNewSetLabelClicked();
            label1PressWasDouble_ = false;
            break;
        }
        default:
            break;
    }
}

bool FaceWindow::OnFaceMouse(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            dragging_ = true;
            pressGlobal_ = mouse->globalPosition().toPoint();
            pressWindow_ = pos();
            pressMoved_ = false;
            return true;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!dragging_) return false;
            // The face follows the pointer's displacement since the press. Adding
            // each event's offset to the current place instead would count a
            // movement twice when the event was made before the window system
            // had applied the previous move, and the face would overshoot.
            const QPoint pointer = mouse->globalPosition().toPoint();
            if (pointer != pressGlobal_) pressMoved_ = true;
            // Under a compositor the face may not place itself: Wayland never lets
            // a client, and sway re-centres a floating X window at every move it
            // asks for. The compositor moves it from here on instead, and may keep
            // the release to itself.
            if (OutlineInPixels(outline_) && pressMoved_ && windowHandle() &&
                windowHandle()->startSystemMove()) {
                dragging_ = false;
                return true;
            }
            move(pressWindow_ + (pointer - pressGlobal_));
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const bool wasDragging = dragging_;
            dragging_ = false;
            // Without a tray the menu must stay reachable: a right click that
            // did not move the face opens it.
            if (wasDragging && !pressMoved_ && mouse->button() == Qt::RightButton && !HasTray())
                ShowPopupMenu(mouse->globalPosition().toPoint());
            return true;
        }
        default:
            return false;
    }
}

void FaceWindow::contextMenuEvent(QContextMenuEvent* event) {
    // A tray or not, the menu key always has the program's menu to open.
    if (event->reason() == QContextMenuEvent::Keyboard) ShowPopupMenu(mapToGlobal(rect().center()));
}

}  // namespace tavrin
