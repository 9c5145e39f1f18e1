// SPDX-License-Identifier: GPL-3.0-or-later
// Whole practice sessions driven through the real windows, offscreen.
#include <algorithm>

#include "face_fixture.h"

namespace tavrin {
namespace {

using testing::ClipRecorder;
using testing::FaceWindowTest;
using Played = ClipRecorder::Played;
using testing::P;

TEST_F(FaceWindowTest, ATypicalSetFromTheNewSetLabelToTheSpokenScore) {
    Start();
    EXPECT_EQ(recorder.played, (std::vector<Played>{P(clips::ClipStartup)}));
    EXPECT_TRUE(openedPath.endsWith("/eye/s"));
    face->OnWelcomeTimeout();
    EXPECT_FALSE(face->welcomeTimer().isActive());

    QuestionSetDialog& dialog = OpenDialog();
    EXPECT_EQ(dialog.pos(), QPoint(0, 0));
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dialog.promptTimer().isActive());
    dialog.OnPromptTimeout();
    EXPECT_FALSE(face->eyeTimer().isActive()) << "the eyes stop for the set";
    QTest::mouseClick(dialog.ui().Check1, Qt::LeftButton);
    QTest::mouseClick(dialog.ui().Check2, Qt::LeftButton);
    QTest::keyClicks(dialog.ui().Text1, "20");
    QTest::keyClicks(dialog.ui().Text2, "10");
    QTest::mouseClick(dialog.ui().OKButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(face->dialog(), nullptr) << "OK unloads the dialog";

    auto& session = face->session();
    auto& store = session.store;
    ASSERT_EQ(store.RowCount(), 10);
    EXPECT_EQ(session.questionIndex, 0);
    EXPECT_EQ(Question(), (QStringList{store.Cell(1, 0), store.Cell(2, 0), store.Cell(3, 0)}));
    for (std::int16_t r = 0; r < 10; ++r) {
        EXPECT_TRUE(store.Cell(2, r) == "＋" || store.Cell(2, r) == "－");
        EXPECT_LE(store.Cell(4, r).toInt(), 20);
    }

    for (std::int16_t r = 0; r < 10; ++r) {
        EXPECT_EQ(session.questionIndex, r);
        EXPECT_EQ(Question()[0], store.Cell(1, r));
        Answer(r < 8 ? " " + store.Cell(4, r) : "wrong");
        EXPECT_TRUE(ui().Text1->text().isEmpty());
    }
    EXPECT_EQ(store.Cell(5, 0), " " + store.Cell(4, 0)) << "answers are stored as typed";
    EXPECT_EQ(session.questionIndex, 9);
    EXPECT_TRUE(session.setFinished);
    EXPECT_FALSE(ui().Command1->isEnabled());
    EXPECT_EQ(Question(), (QStringList{"", "", ""}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "你的题目做完了，看看你得了多少分");
    EXPECT_FALSE(messages[0].setFinished) << "the set is finished once the box is closed";
    EXPECT_EQ(recorder.played[messages[0].clipsBefore - 1], P(clips::ClipSetDone));

    std::vector<Played> expected = {P(clips::ClipStartup), P(clips::ClipStartupPrompt),
                                    P(clips::ClipNewSet), P(clips::ClipDialogPrompt),
                                    P(clips::ClipClick)};
    for (int i = 0; i < 10; ++i) expected.push_back(P(clips::ClipClick));
    expected.push_back(P(clips::ClipSetDone));
    EXPECT_EQ(recorder.played, expected);

    QTest::mouseClick(ui().Command4, Qt::LeftButton);
    EXPECT_EQ(session.scoreLine[kScoreTextCell], "80");
    EXPECT_TRUE(face->marqueeTimer().isActive());
    EXPECT_TRUE(face->announcementTimer().isActive());
    EXPECT_EQ(recorder.played.back(), P(clips::ClipClick));

    const std::vector<QStringList> marquee = {
        {"你", "", "", "", "", "", ""},
        {"的", "你", "", "", "", "", ""},
        {"得", "的", "你", "", "", "", ""},
        {"分", "得", "的", "你", "", "", ""},
        {"是", "分", "得", "的", "你", "", ""},
        {"80", "是", "分", "得", "的", "你", ""},
        {"分", "80", "是", "分", "得", "的", "你"},
        {"", "分", "80", "是", "分", "得", "的"},
    };
    for (const auto& captions : marquee) {
        face->OnMarqueeTick();
        EXPECT_EQ(Marquee(), captions);
    }

    recorder.played.clear();
    const std::vector<std::vector<Played>> spoken = {
        {P(clips::ClipScoreLeadIn)}, {P(clips::ClipDigit8)}, {P(clips::ClipTen)}, {}};
    for (const auto& step : spoken) {
        ASSERT_TRUE(face->announcementTimer().isActive());
        face->OnAnnouncementTick();
        EXPECT_EQ(recorder.played, step);
        recorder.played.clear();
    }
    EXPECT_FALSE(face->announcementTimer().isActive());
    EXPECT_EQ(face->announcement().announceStep, 0);

    // A new set stops and blanks the marquee but keeps the score text.
    OpenDialog();
    EXPECT_FALSE(face->marqueeTimer().isActive());
    EXPECT_EQ(Marquee(), (QStringList{"", "", "", "", "", "", ""}));
    EXPECT_EQ(session.scoreLine[kScoreTextCell], "80");
    EXPECT_EQ(session.store.RowCount(), 0);
    EXPECT_EQ(session.questionIndex, 9) << "only OK resets the question index";
    EXPECT_TRUE(ui().Command1->isEnabled());
}

TEST_F(FaceWindowTest, ASetOfOneQuestionEndsOnTheFirstAnswer) {
    Start("[menu]\nmenu3=1\nmenu6=0\n");
    MakeSet("0010", "5", "1");
    ASSERT_EQ(face->session().store.RowCount(), 1);
    Answer(face->session().store.Cell(4, 0));
    EXPECT_TRUE(face->session().setFinished);
    EXPECT_FALSE(ui().Command1->isEnabled());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(recorder.played.back(), P(clips::ClipSetDone));

    QTest::mouseClick(ui().Command4, Qt::LeftButton);
    EXPECT_EQ(face->session().scoreLine[kScoreTextCell], "100");
    face->OnAnnouncementTick();
    face->OnAnnouncementTick();
    EXPECT_FALSE(face->announcementTimer().isActive()) << "a hundred is spoken in two steps";
    EXPECT_EQ(recorder.played.back(), P(clips::ClipHundred));
}

TEST_F(FaceWindowTest, WithoutASetBothButtonsSaySoAndNothingElseHappens) {
    Start();
    recorder.played.clear();
    ui().Text1->setText("12");
    QTest::mouseClick(ui().Command1, Qt::LeftButton);
    // After the message the answer box is emptied and has the face's focus (active or not).
    EXPECT_TRUE(ui().Text1->text().isEmpty());
    EXPECT_EQ(face->focusWidget(), ui().Text1);
    QTest::mouseClick(ui().Command4, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "你还没有出题呢！");
    EXPECT_EQ(messages[1].text, "你还没有出题呢！");
    EXPECT_EQ(messages[0].icon, MessageIcon::None);
    EXPECT_TRUE(recorder.played.empty()) << "no click sound without a set";
    EXPECT_FALSE(face->marqueeTimer().isActive());
    EXPECT_FALSE(face->announcementTimer().isActive());
}

TEST_F(FaceWindowTest, ScoringWhileAnsweringMarksNothing) {
    Start("[menu]\nmenu3=0\nmenu6=0\n");
    MakeSet("1000", "10", "3");
    Answer("1");
    QTest::mouseClick(ui().Command4, Qt::LeftButton);
    EXPECT_TRUE(face->session().scoreLine[kScoreTextCell].isEmpty());
    EXPECT_FALSE(face->marqueeTimer().isActive());
    EXPECT_FALSE(face->announcementTimer().isActive());
    EXPECT_TRUE(recorder.played.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FaceWindowTest, CancelLeavesNoSetAndWakesTheEyes) {
    Start();
    MakeSet("1000", "10", "3");
    recorder.played.clear();
    QuestionSetDialog& dialog = OpenDialog();
    dialog.promptTimer().stop();
    QTest::mouseClick(dialog.ui().CancelButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(face->dialog(), nullptr);
    EXPECT_EQ(face->session().store.RowCount(), 0);
    EXPECT_TRUE(face->eyeTimer().isActive());
    EXPECT_EQ(recorder.played, (std::vector<Played>{P(clips::ClipNewSet), P(clips::ClipCancel)}));
}

TEST_F(FaceWindowTest, OkWithBothBoxesEmptyDoesNothing) {
    Start();
    QuestionSetDialog& dialog = OpenDialog();
    dialog.promptTimer().stop();
    recorder.played.clear();
    QTest::mouseClick(dialog.ui().Check1, Qt::LeftButton);
    QTest::mouseClick(dialog.ui().OKButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(face->dialog(), &dialog);
    EXPECT_TRUE(recorder.played.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FaceWindowTest, NoOperationTickedMakesAnEmptySetWithAClick) {
    Start();
    face->ShowQuestion(0);
    MakeSet("0000", "10", "5");
    QApplication::processEvents();
    EXPECT_EQ(face->dialog(), nullptr);
    EXPECT_EQ(face->session().store.RowCount(), 0);
    EXPECT_EQ(Question(), (QStringList{"", "", ""}));
    EXPECT_EQ(recorder.played.back(), P(clips::ClipClick));
    QTest::mouseClick(ui().Command1, Qt::LeftButton);
    EXPECT_EQ(messages.back().text, "你还没有出题呢！");
}

TEST_F(FaceWindowTest, CountsAreRoundedHalfToEven) {
    Start("[menu]\nmenu3=0\nmenu6=0\n");
    MakeSet("1100", "10", "2.5");
    EXPECT_EQ(face->session().store.RowCount(), 2);
    MakeSet("1100", "10", "3.5");
    EXPECT_EQ(face->session().store.RowCount(), 4);
    MakeSet("0100", "", "3");
    EXPECT_EQ(face->session().store.Cell(1, 0) + face->session().store.Cell(3, 0),
              QStringLiteral(" 0 0"))
        << "an empty range makes questions within 0";
}

TEST_F(FaceWindowTest, NumbersTooLargeAreExplainedAndTheDialogKeepsThem) {
    Start("[menu]\nmenu3=0\nmenu6=0\n");
    const struct {
        const char* mask;
        const char* range;
        const char* count;
    } cases[] = {{"0010", "182", "10"},
                 {"0001", "200", "5"},
                 {"1000", "99999", "5"},
                 {"1000", "10", "40000"},
                 {"1111", "-200", "3"}};
    for (const auto& c : cases) {
        messages.clear();
        MakeSet(c.mask, c.range, c.count);
        QApplication::processEvents();
        ASSERT_NE(face->dialog(), nullptr) << c.range << "/" << c.count;
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_FALSE(messages[0].text.isEmpty());
        EXPECT_EQ(face->dialog()->ui().Text1->text(), c.range);
        EXPECT_EQ(face->dialog()->ui().Text2->text(), c.count);
        EXPECT_EQ(face->session().store.RowCount(), 0);
        // Correcting the range and pressing OK again makes the set.
        face->dialog()->ui().Text1->setText("181");
        face->dialog()->ui().Text2->setText("3");
        QTest::mouseClick(face->dialog()->ui().OKButton, Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_EQ(face->dialog(), nullptr);
        EXPECT_EQ(face->session().store.RowCount(), 3);
    }
}

TEST_F(FaceWindowTest, TheDialogSpeaksOnceAndASecondCommandOnlyRaisesIt) {
    Start("[menu]\nmenu3=1\nmenu6=0\n");
    face->OnWelcomeTimeout();
    recorder.played.clear();
    QuestionSetDialog& dialog = OpenDialog();
    dialog.OnPromptTimeout();
    EXPECT_FALSE(dialog.promptTimer().isActive());
    QuestionSetDialog& again = OpenDialog();
    EXPECT_EQ(&again, &dialog);
    EXPECT_FALSE(dialog.promptTimer().isActive()) << "its load steps do not run again";
    EXPECT_EQ(recorder.played, (std::vector<Played>{P(clips::ClipDialogPrompt)}));
}

TEST_F(FaceWindowTest, StartUpReadsEachSettingsCaseAndWritesNothing) {
    const struct {
        QByteArray content;  // null: no file at all
        bool voice, effects;
    } cases[] = {
        {QByteArray(), false, false},
        {"[menu]\nmenu3=1\nmenu6=0\n", true, false},
        {"[menu]\nmenu3=0\nmenu6=1\n", false, true},
        {"[menu]\nmenu3=w\nmenu6=w\n", false, false},
        {"[menu]\nmenu3=\nmenu6=\n", false, false},
        {"\xff\xfe garbage [[[\n==\n", false, false},
    };
    for (const auto& c : cases) {
        QFile::remove(SettingsPath());
        recorder.played.clear();
        // A time long past, taken as a value: a rewrite of the same bytes still shows.
        const QDateTime written = QDateTime::fromSecsSinceEpoch(1'000'000'000);
        if (!c.content.isNull()) {
            WriteSettings(c.content);
            QFile file(SettingsPath());
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        Start(QByteArray());
        EXPECT_EQ(ui().menu_wj_3->isChecked(), c.voice);
        EXPECT_EQ(ui().menu_wj_4->isChecked(), !c.voice);
        EXPECT_EQ(ui().menu_wj_6->isChecked(), c.effects);
        EXPECT_EQ(ui().menu_wj_7->isChecked(), !c.effects);
        EXPECT_EQ(face->welcomeTimer().isActive(), c.voice);
        EXPECT_EQ(recorder.played.empty(), !c.effects);
        EXPECT_TRUE(face->eyeTimer().isActive());
        EXPECT_FALSE(face->marqueeTimer().isActive());
        EXPECT_FALSE(face->announcementTimer().isActive());
        EXPECT_EQ(ui().Label4->text(), " 退\n出");
        EXPECT_EQ(ui().Label1->text(), "出\n  题");
        EXPECT_FALSE(face->session().setFinished);
        face->close();
        face.reset();
        EXPECT_EQ(QFileInfo::exists(SettingsPath()), !c.content.isNull()) << "nothing created";
        if (!c.content.isNull()) {
            QFile file(SettingsPath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), c.content) << "nothing written";
            EXPECT_EQ(QFileInfo(SettingsPath()).lastModified(), written);
        }
    }
    // A settings "file" that cannot be read as one.
    QFile::remove(SettingsPath());
    QDir().mkpath(SettingsPath());
    Start(QByteArray());
    EXPECT_TRUE(ui().menu_wj_4->isChecked());
    EXPECT_TRUE(ui().menu_wj_7->isChecked());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FaceWindowTest, UnloadingClosesTheSpeechFileAndTheDialog) {
    Start();
    OpenDialog();
    QPointer<QuestionSetDialog> dialog = face->dialog();
    recorder.played.clear();
    face->close();
    EXPECT_TRUE(dialog.isNull());
    face->player().PlayClip(0, 978);
    EXPECT_TRUE(recorder.played.empty()) << "the speech file is closed";
}

}  // namespace
}  // namespace tavrin

namespace tavrin {
namespace {

// Faults that only a long session showed, each a few lines of it.
TEST_F(FaceWindowTest, AnAfternoonKeepsTheQuestionCentredAndEachKeyAndClickCountsOnce) {
    Start("[menu]\nmenu3=0\nmenu6=1\n");
    recorder.played.clear();
    QTest::mouseClick(ui().Label1, Qt::LeftButton);  // the first half of a double click
    QTest::mouseDClick(ui().Label1, Qt::LeftButton);
    EXPECT_EQ(std::count(recorder.played.begin(), recorder.played.end(), P(clips::ClipNewSet)), 1)
        << "a double click on 出题 is one new set";
    face->dialog()->close();

    // A full-width range and count, as a Chinese input method types them.
    MakeSet("1111", "２０", "１２０");
    ASSERT_EQ(face->session().store.RowCount(), 120);
    EXPECT_TRUE(ui().Text1->inputMethodHints() & Qt::ImhPreferNumbers);

    // The operand and the sign stay centred on their designed centres, 96 + 31/2
    // and 172 + 27/2 inside the face's 1-px frame, however many captions come and go.
    const auto centredLeft = [](double centre, int width) {
        return static_cast<int>(std::floor(centre - width / 2.0));
    };
    auto& store = face->session().store;
    for (std::int16_t r = 0; r < 120; ++r) {
        ASSERT_EQ(ui().Label3->x(), centredLeft(1 + 111.5, ui().Label3->width()))
            << "question " << r;
        ASSERT_EQ(ui().Label6->x(), centredLeft(1 + 185.5, ui().Label6->width()))
            << "question " << r;
        // Enter confirms like 确定; full-width digits are stored as ASCII.
        QString answer = r % 2 ? store.Cell(4, r) : QStringLiteral("９");
        Type(ui().Text1, answer.replace('1', u'１'));
        QTest::keyClick(ui().Text1, r % 3 ? Qt::Key_Return : Qt::Key_Enter);
    }
    EXPECT_EQ(store.Cell(5, 0), "9");
    EXPECT_FALSE(ui().Command1->isEnabled());
    recorder.played.clear();
    QTest::keyClick(ui().Text1, Qt::Key_Return);
    EXPECT_TRUE(recorder.played.empty()) << "Enter does nothing while 确定 is disabled";

    // A second 得分 lets the marquee run on instead of starting its countdown afresh.
    QTest::mouseClick(ui().Command4, Qt::LeftButton);
    const int marqueeTimer = face->marqueeTimer().timerId();
    QTest::mouseClick(ui().Command4, Qt::LeftButton);
    EXPECT_EQ(face->marqueeTimer().timerId(), marqueeTimer);
}

}  // namespace
}  // namespace tavrin
