// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "generation/random_source.h"
#include "record/review.h"
#include "session/question_store.h"
#include "session/scoring.h"
#include "session/set_flow.h"
#include "session/settings_file.h"
#include "shell/question_set_dialog.h"
#include "shell/window_outline.h"
#include "sound/clip_player.h"

class QLabel;
class QMenu;
class QSystemTrayIcon;

namespace Ui {
class FORM1;
}

namespace tavrin {

class Eyes;

// The data folder with the speech file "s" and the eye pictures: share/tavrin/eye
// beside the executable's folder, in the build tree as once installed, so a
// moved installation still finds it. Needs the application object.
QString DefaultDataFolder();

// The help message: how to reach the program's maker.
QString HelpText();

// What the face window needs from outside; tests replace each part.
struct FaceWindowParts {
    // Opens the speech file; the program's own opens the real sound device.
    std::function<std::unique_ptr<ClipPlayer>(const QString& path)> openSpeechFile;
    QString settingsPath = SettingsFile::DefaultPath();
    // The data folder with "s" and the eye pictures; <exe dir>/../share/tavrin/eye when empty.
    QString dataFolder;
    // Where the tray icon goes; false leaves it out (tests, desktops without a tray).
    bool useTray = true;
    // Bits per pixel of the screen; 0 asks the screen itself.
    int screenDepth = 0;
    // Called each time a finished set is marked; the practice record keeps it once.
    std::function<void(SessionState&)> recordMarkedSet;
    // The menu's 练习记录: the parent's report in the browser.
    std::function<void()> showPracticeRecord;
    // Each fact's latest answers from the practice record, for 复习错题.
    std::function<std::vector<FactHistory>()> latestAnswers;
};

// FORM1: the round face. It holds the session, shows the question on show,
// takes the answers, marks the set and scrolls and speaks the score.
class FaceWindow : public QWidget, private SetFlowView {
    Q_OBJECT

public:
    explicit FaceWindow(FaceWindowParts parts = {}, QWidget* parent = nullptr);
    ~FaceWindow() override;

    // Start-up: options, score line, speech file, start-up sound, welcome
    // prompt, centring, shape, tray and menu, ear captions.
    void Load();

    // Event handlers, public so tests can call them as the events would.
    // Command1 (确定), or Enter in the answer box Text1: records the answer.
    void OnConfirmClicked();
    // Command4 (得分): marks a finished set and starts the marquee and the spoken score.
    void OnScoreClicked();
    // Timer1, every 500 ms: moves the score sentence one cell along Label7(0..6).
    void OnMarqueeTick();
    // Timer2, every 300 ms: the eyes' idle animation.
    void OnEyeTick();
    // Timer3, once, 2 s after start-up: the spoken welcome.
    void OnWelcomeTimeout();
    // Timer5, every second: one step of the spoken score.
    void OnAnnouncementTick();
    // Label1 (出题) on the left ear.
    void OnNewSetLabelClicked();
    // menu_wj(index) of the popup menu "wenjian".
    void OnMenuItemChosen(int index);
    // menu_gy(index), the About submenu.
    void OnAboutMenuItemChosen(int index);
    void BuildWindowShape();

    // The new-question-set command, shared by Label1 and menu item 1.
    void NewSetCommand();
    // 复习错题: a set of the facts still due, or a message when there are none.
    void ReviewCommand();

    bool VoicePromptsOn() const override;
    bool SoundEffectsOn() const override;

    SetFlow& flow() { return flow_; }
    SessionState& session() { return flow_.session(); }
    const ScoreMarquee& marquee() const { return flow_.marquee(); }
    const ScoreAnnouncement& announcement() const { return flow_.announcement(); }
    ClipPlayer& player() override { return *player_; }
    RandomSource& random() { return random_; }
    Ui::FORM1& ui() { return *ui_; }
    QLabel* Label7(int index) const { return label7_[static_cast<std::size_t>(index)]; }
    QTimer& marqueeTimer() { return marqueeTimer_; }
    QTimer& eyeTimer() { return eyeTimer_; }
    QTimer& welcomeTimer() { return welcomeTimer_; }
    QTimer& announcementTimer() { return announcementTimer_; }
    // The open dialog; one that OK or Cancel closed counts as gone at once,
    // even before Qt deletes it.
    QuestionSetDialog* dialog() const {
        return dialog_ && dialog_->isVisible() ? dialog_.data() : nullptr;
    }
    QMenu* popupMenu() const { return menu_; }
    // 练习记录, below the designed items.
    QAction* practiceRecordItem() const { return practiceRecord_; }
    // 复习错题, the very last item.
    QAction* reviewItem() const { return review_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    // Whether the icon really sits in a tray; where none is, the face itself
    // opens the menu.
    bool HasTray() const;
    const SettingsFile& settings() const { return settings_; }

    // Shows a row of the store on the face (an empty store blanks it).
    void ShowQuestion(std::int16_t row);
    // After a new set: the face comes forward with the answer box ready for typing.
    void FocusAnswerBox();
    // After the About window: the same, while the face is still there.
    void FocusAnswerBoxIfLoaded();
    // The dialog's way back: Cancel lets the eyes move again.
    void RestartEyes() { eyeTimer_.start(); }

    // Opens the popup menu at a screen position (the tray's right button, or the
    // fallbacks where there is no tray).
    void ShowPopupMenu(const QPoint& globalPosition);

    // The program ends once the face has been unloaded and no About window
    // remains; called when either of them goes.
    void QuitIfNoWindowRemains();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SetQuestionTexts(const QString& first, const QString& sign,
                          const QString& second) override;
    void ShowFlowMessage(const QString& text) override;
    void SetConfirmEnabled(bool enabled) override;
    void ShowMarqueeCells(const std::array<QString, ScoreMarquee::kLabels>& cells) override;
    void Unload();
    // Sizes a centred label to its caption and centres it on its designed centre.
    void SetCentredText(QLabel* label, int designedCentreTwice, const QString& text);
    void SetUpMenu();
    // Once, right after the face's first paint, or kLatestStartUpFinishMs after Load: window
    // icon, tray icon, pointer pictures.
    void FinishStartUp();
    static constexpr int kLatestStartUpFinishMs = 1000;
    // The window icon's, the tray icon's and the pointers' pictures for the screen's ratio.
    void ChoosePointersAndIcon();
    // On a screen of another ratio than the pictures were chosen for (the face dragged to
    // another monitor, or its screen rescaled): the pictures for the new ratio, the outline
    // and the input shape cut again at its pixels, and a repaint.
    void FollowScreenRatio();
    void SwitchOption(int index);
    void SetLabel1Colour(const QColor& colour);
    // picshape, the face itself: dragging, and the menu where there is no tray.
    bool OnFaceMouse(QEvent* event);
    // Label1 (出题): dark blue while pressed, and a click starts a new set.
    void OnNewSetLabelMouse(QEvent* event);

    std::unique_ptr<Ui::FORM1> ui_;
    FaceWindowParts parts_;
    SettingsFile settings_;
    RandomSource random_;
    std::unique_ptr<ClipPlayer> player_;
    SetFlow flow_{*this};
    std::unique_ptr<Eyes> eyes_;
    std::array<QLabel*, ScoreMarquee::kLabels> label7_{};
    // Twice the designed centres of Label3 and Label6, so odd widths stay exact.
    std::array<int, 2> designedCentres_{};
    QTimer marqueeTimer_, eyeTimer_, welcomeTimer_, announcementTimer_;
    QPointer<QuestionSetDialog> dialog_;
    QMenu* menu_ = nullptr;
    QAction* practiceRecord_ = nullptr;
    QAction* review_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    bool unloaded_ = false;
    bool startUpFinished_ = false;

    // Dragging the face: where the pointer and the window were at the press.
    bool dragging_ = false;
    QPoint pressGlobal_;
    QPoint pressWindow_;
    bool pressMoved_ = false;
    // The release that ends a double click on Label1 is not a second click.
    bool label1PressWasDouble_ = false;

    // Where a compositor draws the face, its outline is in its pixels: the face
    // as shaped, transparent around it, painted instead of picshape's own paint.
    OutlineMode outline_ = OutlineMode::Shape;
    QImage cutFace_;
    // The device pixel ratio the face's pictures and outline were made for.
    qreal picturesRatio_ = 1;
};

}  // namespace tavrin
