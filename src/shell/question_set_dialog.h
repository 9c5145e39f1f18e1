#pragma once

#include <QFrame>
#include <QTimer>
#include <memory>

namespace Ui {
class Dialog;
}

namespace tavrin {

class FaceWindow;

// The question-set dialog: which operations, within which range, how many
// questions. Modeless and topmost at the top-left corner; OK and Cancel unload it.
class QuestionSetDialog : public QFrame {
    Q_OBJECT

public:
    explicit QuestionSetDialog(FaceWindow& face);
    ~QuestionSetDialog() override;

    void Form_Load();
    void Timer1_Timer();
    void OKButton_Click();
    void CancelButton_Click();

    Ui::Dialog& ui() { return *ui_; }
    QTimer& Timer1() { return timer1_; }

private:
    FaceWindow& face_;
    std::unique_ptr<Ui::Dialog> ui_;
    QWidget* client_;
    QTimer timer1_;
};

}  // namespace tavrin
