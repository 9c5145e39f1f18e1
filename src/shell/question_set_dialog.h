// SPDX-License-Identifier: GPL-3.0-or-later
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

    // Each opening: topmost at the screen's top-left, the spoken prompt armed.
    void Load();
    // Timer1, once, 100 ms after opening: the spoken prompt.
    void OnPromptTimeout();
    // OKButton (确定): checks what was typed, makes the set and closes.
    void OnOkClicked();
    // CancelButton (取消): closes without a set and lets the eyes move again.
    void OnCancelClicked();

    Ui::Dialog& ui() { return *ui_; }
    QTimer& promptTimer() { return promptTimer_; }

private:
    FaceWindow& face_;
    std::unique_ptr<Ui::Dialog> ui_;
    QWidget* client_;
    QTimer promptTimer_;
};

}  // namespace tavrin
