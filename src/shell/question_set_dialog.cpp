// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/question_set_dialog.h"

#include "generation/question_set.h"
#include "shell/device_line.h"
#include "shell/face_window.h"
#include "shell/messages.h"
#include "shell/number_box.h"
#include "sound/clip_table.h"
#include "ui_dialog.h"

namespace tavrin {

namespace {
// The raised dialog frame drawn around the designed client area.
constexpr int kFrame = 2;
}  // namespace

QuestionSetDialog::QuestionSetDialog(FaceWindow& face)
    : QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      face_(face),
      ui_(std::make_unique<Ui::Dialog>()),
      client_(new QWidget(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(kFrame);
    ui_->setupUi(client_);
    client_->move(kFrame, kFrame);
    setFixedSize(client_->width() + 2 * kFrame, client_->height() + 2 * kFrame);
    setWindowTitle(QString());
    // A 1-pixel frame's line vanishes at 1.25 and 1.75 screen pixels to the pixel.
    DrawAsDeviceLine(ui_->Line1);
    DrawAsDeviceLine(ui_->Line3);

    KeepNumberBoxAscii(ui_->Text1);
    KeepNumberBoxAscii(ui_->Text2);

    promptTimer_.setInterval(100);
    connect(&promptTimer_, &QTimer::timeout, this, &QuestionSetDialog::OnPromptTimeout);
    // The press comes before the click it makes: a sound device that rested opens meanwhile.
    connect(ui_->OKButton, &QPushButton::pressed, this, [this] {
        if (face_.SoundEffectsOn()) face_.player().Prepare();
    });
    connect(ui_->OKButton, &QPushButton::clicked, this, &QuestionSetDialog::OnOkClicked);
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QuestionSetDialog::OnCancelClicked);
}

QuestionSetDialog::~QuestionSetDialog() = default;

void QuestionSetDialog::Load() {
    move(0, 0);
    if (face_.VoicePromptsOn())
        promptTimer_.start();
    else
        promptTimer_.stop();
}

void QuestionSetDialog::OnPromptTimeout() {
    face_.player().PlayClip(clips::ClipDialogPrompt.from, clips::ClipDialogPrompt.to);
    promptTimer_.stop();
}

void QuestionSetDialog::OnOkClicked() {
    face_.random().Reseed();
    const QString rangeText = ui_->Text1->text();
    const QString countText = ui_->Text2->text();
    if (rangeText.isEmpty() && countText.isEmpty()) return;
    if (face_.SoundEffectsOn()) face_.player().PlayClip(clips::ClipClick.from, clips::ClipClick.to);

    const QString mask = OperationMask(ui_->Check1->isChecked(), ui_->Check2->isChecked(),
                                       ui_->Check3->isChecked(), ui_->Check4->isChecked());
    // Numbers the program cannot hold, or a range at which a product would
    // outgrow them, are explained instead of made; what was typed stays.
    const QuestionSetCheck check = CheckQuestionSetInput(rangeText, countText, mask);
    if (!check.ok) {
        ShowMessage(this, check.message);
        return;
    }
    QuestionStore questions;
    MakeQuestionSet(questions, face_.random(), mask, check.count, check.range);
    face_.flow().Start(std::move(questions), {mask, check.range, check.count});
    close();
    // The child types the first answer next, with or without a window manager
    // to hand the keyboard back to the face.
    face_.FocusAnswerBox();
}

void QuestionSetDialog::OnCancelClicked() {
    if (face_.SoundEffectsOn())
        face_.player().PlayClip(clips::ClipCancel.from, clips::ClipCancel.to);
    close();
    face_.RestartEyes();
}

}  // namespace tavrin
