// SPDX-License-Identifier: GPL-3.0-or-later
// The face window's side of a set: the commands that start one, and what the set's
// flow asks the face to show.
#include <QLabel>
#include <QPushButton>
#include <QWindow>
#include <cstdio>

#include "generation/random_source.h"
#include "record/review.h"
#include "shell/face_window.h"
#include "shell/messages.h"
#include "sound/clip_table.h"
#include "ui_face_window.h"

namespace tavrin {

namespace {
void Play(ClipPlayer& player, const Clip& clip) { player.PlayClip(clip.from, clip.to); }
// The marquee's labels size themselves to their caption, keeping their left edge.
void SetAutoSizedText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}
}  // namespace

void FaceWindow::ShowQuestion(std::int16_t row) { flow_.ShowQuestion(row); }

void FaceWindow::ShowFlowMessage(const QString& text) { ShowMessage(this, text); }
void FaceWindow::SetConfirmEnabled(bool enabled) { ui_->Command1->setEnabled(enabled); }
void FaceWindow::ShowMarqueeCells(const std::array<QString, ScoreMarquee::kLabels>& cells) {
    for (std::size_t k = 0; k < cells.size(); ++k) SetAutoSizedText(label7_[k], cells[k]);
}

void FaceWindow::OnConfirmClicked() {
    flow_.Confirm(ui_->Text1->text());
    ui_->Text1->setText(QString());
    ui_->Text1->setFocus();
}

void FaceWindow::OnScoreClicked() {
    const SetFlow::Marking marking = flow_.Mark();
    if (marking == SetFlow::Marking::NoSet) return;
    // A second click lets the marquee run on from where it is.
    if (marking == SetFlow::Marking::Marked && !marqueeTimer_.isActive()) marqueeTimer_.start();
    // A running announcement carries on from its step.
    if (VoicePromptsOn() && !announcementTimer_.isActive()) announcementTimer_.start();
}

void FaceWindow::OnMarqueeTick() { flow_.MarqueeTick(); }

void FaceWindow::OnAnnouncementTick() {
    if (flow_.AnnouncementTick()) announcementTimer_.stop();
}

void FaceWindow::NewSetCommand() {
    if (SoundEffectsOn()) Play(*player_, clips::ClipNewSet);
    for (QLabel* cell : label7_) SetAutoSizedText(cell, QString());
    flow_.Clear();
    if (dialog()) {
        dialog_->raise();
        dialog_->activateWindow();
    } else {
        dialog_ = new QuestionSetDialog(*this);
        dialog_->Load();
        // Wayland places a window only by its parent: without one the dialog
        // could come up anywhere, behind the face included.
        if (OutlineInPixels(outline_) && windowHandle()) {
            dialog_->winId();
            dialog_->windowHandle()->setTransientParent(windowHandle());
        }
        dialog_->show();
    }
    marqueeTimer_.stop();
    eyeTimer_.stop();
    ui_->Command1->setEnabled(true);
}

void FaceWindow::ReviewCommand() {
    // Nothing changes on the face unless there is something to practise.
    QuestionStore set =
        MakeReviewSet(ChooseReviewFacts(parts_.latestAnswers ? parts_.latestAnswers()
                                                             : std::vector<FactHistory>{}),
                      random_);
    if (set.RowCount() == 0) {
        ShowMessage(this, QStringLiteral("没有要复习的题。"));
        return;
    }
    // Like 出题 in the middle of a set: the set on the face is left unmarked.
    if (SoundEffectsOn()) Play(*player_, clips::ClipNewSet);
    for (QLabel* cell : label7_) SetAutoSizedText(cell, QString());
    marqueeTimer_.stop();
    if (dialog()) {
        dialog_->close();
        eyeTimer_.start();
    }
    const SetChoice choice = ReviewChoice(set);
    flow_.Start(std::move(set), choice);
    ui_->Command1->setEnabled(true);
    FocusAnswerBox();
}

}  // namespace tavrin
