// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A face window started on a temporary settings file, with its clips and
// messages recorded instead of heard and shown.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "clip_recorder.h"
#include "shell/face_window.h"
#include "shell/messages.h"
#include "shell/question_set_dialog.h"
#include "ui_dialog.h"
#include "ui_face_window.h"

namespace tavrin::testing {

using Played = ClipRecorder::Played;

inline Played P(const Clip& clip) { return ClipRecorder::Of(clip); }

// Forwards to a recorder the test keeps, since the window owns its player.
struct ForwardingPlayer : ClipPlayer {
    explicit ForwardingPlayer(ClipRecorder& r) : recorder(r) {}
    void PlayClip(std::int32_t from, std::int32_t to) override { recorder.PlayClip(from, to); }
    void Prepare() override { recorder.Prepare(); }
    ClipRecorder& recorder;
};

struct Message {
    QString text;
    MessageIcon icon;
    std::size_t clipsBefore;  // how many clips had been played when it showed
    bool setFinished;
};

class FaceWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousSink_ = SetMessageSink([this](QWidget*, const QString& text, MessageIcon icon) {
            messages.push_back(
                {text, icon, recorder.played.size(), face ? face->session().setFinished : false});
        });
    }
    void TearDown() override {
        face.reset();
        SetMessageSink(previousSink_);
    }

    QString SettingsPath() const { return dir.filePath("tavrin/Qbx_R"); }

    void WriteSettings(const QByteArray& content) {
        QDir().mkpath(dir.filePath("tavrin"));
        QFile file(SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    FaceWindow& Start(const QByteArray& settings = "[menu]\nmenu3=1\nmenu6=1\n",
                      bool useTray = false, int screenDepth = 0) {
        if (!settings.isNull()) WriteSettings(settings);
        FaceWindowParts parts;
        parts.settingsPath = SettingsPath();
        parts.dataFolder = QStringLiteral(TAVRIN_SOURCE_DIR "/data/eye");
        parts.useTray = useTray;
        parts.screenDepth = screenDepth;
        parts.recordMarkedSet = recordMarkedSet;
        parts.showPracticeRecord = [this] { ++practiceRecordShown; };
        parts.latestAnswers = [this] { return latestAnswers; };
        parts.openSpeechFile = [this](const QString& path) -> std::unique_ptr<ClipPlayer> {
            openedPath = path;
            if (openSpeechFile) return openSpeechFile(path);
            return std::make_unique<ForwardingPlayer>(recorder);
        };
        face = std::make_unique<FaceWindow>(std::move(parts));
        face->Load();
        face->show();
        return *face;
    }

    Ui::FORM1& ui() { return face->ui(); }

    // Presses the new-set label with the mouse and returns the dialog it opened.
    QuestionSetDialog& OpenDialog() {
        QTest::mouseClick(ui().Label1, Qt::LeftButton);
        EXPECT_NE(face->dialog(), nullptr);
        return *face->dialog();
    }

    void MakeSet(const char* mask, const QString& range, const QString& count) {
        QuestionSetDialog& dialog = OpenDialog();
        QCheckBox* boxes[] = {dialog.ui().Check1, dialog.ui().Check2, dialog.ui().Check3,
                              dialog.ui().Check4};
        for (int i = 0; i < 4; ++i)
            if (mask[i] == '1') QTest::mouseClick(boxes[i], Qt::LeftButton);
        Type(dialog.ui().Text1, range);
        Type(dialog.ui().Text2, count);
        QTest::mouseClick(dialog.ui().OKButton, Qt::LeftButton);
    }

    // Typed text; anything beyond ASCII arrives as an input method commits it.
    static void Type(QWidget* box, const QString& text) {
        bool ascii = true;
        for (QChar c : text) ascii = ascii && c.unicode() < 128;
        if (ascii) return QTest::keyClicks(box, text);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(box, &commit);
    }

    void Answer(const QString& text) {
        QTest::keyClicks(ui().Text1, text);
        QTest::mouseClick(ui().Command1, Qt::LeftButton);
    }

    QStringList Question() {
        return {ui().Label3->text(), ui().Label6->text(), ui().Label5->text()};
    }

    QStringList Marquee() {
        QStringList captions;
        for (int k = 0; k < 7; ++k) captions << face->Label7(k)->text();
        return captions;
    }

    QTemporaryDir dir;
    ClipRecorder recorder;
    std::vector<Message> messages;
    std::unique_ptr<FaceWindow> face;
    QString openedPath;
    // The real player in place of the recorder, when set.
    std::function<std::unique_ptr<ClipPlayer>(const QString&)> openSpeechFile;
    std::function<void(SessionState&)> recordMarkedSet;
    int practiceRecordShown = 0;
    std::vector<FactHistory> latestAnswers;  // what the record gives 复习错题

private:
    MessageSink previousSink_;
};

}  // namespace tavrin::testing
