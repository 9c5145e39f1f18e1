#include "shell/question_set_dialog.h"

#include "generation/question_set.h"
#include "shell/face_window.h"
#include "shell/messages.h"
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

    timer1_.setInterval(100);
    connect(&timer1_, &QTimer::timeout, this, &QuestionSetDialog::Timer1_Timer);
    connect(ui_->OKButton, &QPushButton::clicked, this, &QuestionSetDialog::OKButton_Click);
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QuestionSetDialog::CancelButton_Click);
}

QuestionSetDialog::~QuestionSetDialog() = default;

void QuestionSetDialog::Form_Load() {
    move(0, 0);
    if (face_.VoicePromptsOn())
        timer1_.start();
    else
        timer1_.stop();
}

void QuestionSetDialog::Timer1_Timer() {
    face_.player().PlayClip(clips::ClipDialogPrompt.from, clips::ClipDialogPrompt.to);
    timer1_.stop();
}

void QuestionSetDialog::OKButton_Click() {
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
    auto& session = face_.session();
    MakeQuestionSet(session.store, face_.random(), mask, check.count, check.range);
    session.choice = {mask, check.range, check.count};
    face_.ShowQuestion(0);
    session.questionIndex = 0;
    close();
}

void QuestionSetDialog::CancelButton_Click() {
    if (face_.SoundEffectsOn())
        face_.player().PlayClip(clips::ClipCancel.from, clips::ClipCancel.to);
    close();
    face_.RestartEyes();
}

}  // namespace tavrin
