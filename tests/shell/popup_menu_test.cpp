// SPDX-License-Identifier: GPL-3.0-or-later
// The popup menu, the tray icon, the option switches and the ear labels.
#include <QContextMenuEvent>
#include <QMenu>
#include <QSystemTrayIcon>

#include "face_fixture.h"
#include "shell/about_window.h"

namespace tavrin {
namespace {

using testing::FaceWindowTest;
using testing::P;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(FaceWindowTest, TheMenuHoldsEveryItemInItsOrder) {
    Start();
    QStringList captions;
    for (QAction* action : face->popupMenu()->actions())
        captions << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(captions, (QStringList{"出题(C)", "-", "打开语音提示(D)", "关闭语音提示(G)", "-",
                                     "打开音效功能", "关闭音效功能", "-", "关于……", "-", "帮助(H)",
                                     "-", "退出程序(E)", "-", "练习记录", "复习错题"}));
    // The parent's item and the review come last, apart, with no shortcut a child could hit.
    QAction* record = face->popupMenu()->actions()[14];
    EXPECT_EQ(record, face->practiceRecordItem());
    EXPECT_TRUE(record->shortcut().isEmpty());
    EXPECT_EQ(face->popupMenu()->actions().last(), face->reviewItem());
    EXPECT_TRUE(face->reviewItem()->shortcut().isEmpty());
    record->trigger();
    EXPECT_EQ(practiceRecordShown, 1);
    QMenu* about = face->popupMenu()->actions()[8]->menu();
    ASSERT_NE(about, nullptr);
    ASSERT_EQ(about->actions().size(), 1);
    EXPECT_EQ(about->actions()[0]->text(), "关于作者(W)");
    EXPECT_EQ(about->actions()[0]->shortcut(), QKeySequence("Ctrl+W"));
}

TEST_F(FaceWindowTest, SwitchingAnOptionWritesTheSettingsFileAtOnce) {
    Start(QByteArray());
    ASSERT_FALSE(QFile::exists(SettingsPath()));
    recorder.played.clear();

    ui().menu_wj_3->trigger();
    EXPECT_TRUE(ReadAll(SettingsPath()).contains("[menu]\nmenu3=1"));
    EXPECT_TRUE(face->VoicePromptsOn());
    EXPECT_FALSE(ui().menu_wj_4->isChecked());

    // Choosing the checked item again writes the same value and keeps the mark.
    QFile::remove(SettingsPath());
    ui().menu_wj_3->trigger();
    EXPECT_TRUE(ui().menu_wj_3->isChecked());
    EXPECT_TRUE(ReadAll(SettingsPath()).contains("menu3=1"));

    ui().menu_wj_6->trigger();
    ui().menu_wj_7->trigger();
    ui().menu_wj_4->trigger();
    const QByteArray written = ReadAll(SettingsPath());
    EXPECT_TRUE(written.contains("menu3=0"));
    EXPECT_TRUE(written.contains("menu6=0"));
    EXPECT_FALSE(face->VoicePromptsOn());
    EXPECT_FALSE(face->SoundEffectsOn());
    EXPECT_TRUE(ui().menu_wj_4->isChecked());
    EXPECT_TRUE(ui().menu_wj_7->isChecked());
    EXPECT_FALSE(ui().menu_wj_6->isChecked());
    EXPECT_TRUE(recorder.played.empty()) << "switching plays nothing";

    // The next start reads what was written.
    face->close();
    face.reset();
    Start(QByteArray());
    EXPECT_TRUE(ui().menu_wj_4->isChecked());
    EXPECT_TRUE(ui().menu_wj_7->isChecked());
}

// Sound loads its libraries and opens a device: only once an option that sounds is on.
// With sound effects on, a button's press gets a resting device ready for its click.
TEST_F(FaceWindowTest, TheSoundGetsReadyOnlyWhenAnOptionIsOn) {
    struct Case {
        QByteArray settings;
        QAction* Ui::FORM1::*switched;  // null: nothing switched
        bool readyAtStart;
        bool readyAfterSwitch;
        bool readyOnPress;
    };
    const Case cases[] = {
        {"[menu]\nmenu3=0\nmenu6=0\n", nullptr, false, false, false},
        {"[menu]\nmenu3=0\nmenu6=0\n", &Ui::FORM1::menu_wj_7, false, false, false},
        {"[menu]\nmenu3=0\nmenu6=0\n", &Ui::FORM1::menu_wj_6, false, true, true},
        {"[menu]\nmenu3=0\nmenu6=0\n", &Ui::FORM1::menu_wj_3, false, true, false},
        {"[menu]\nmenu3=1\nmenu6=0\n", nullptr, true, true, false},
        {"[menu]\nmenu3=0\nmenu6=1\n", nullptr, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings.constData());
        recorder.prepared = 0;
        Start(c.settings);
        EXPECT_EQ(recorder.prepared > 0, c.readyAtStart);
        if (c.switched) (ui().*(c.switched))->trigger();
        EXPECT_EQ(recorder.prepared > 0, c.readyAfterSwitch);
        recorder.prepared = 0;
        QTest::mouseClick(ui().Command4, Qt::LeftButton);
        EXPECT_EQ(recorder.prepared > 0, c.readyOnPress);
        face->close();
        face.reset();
    }
}

TEST_F(FaceWindowTest, HelpShowsTheMessageWithAContactAddress) {
    Start();
    ui().menu_wj_15->trigger();
    ASSERT_EQ(messages.size(), 1u);
    const QString text = messages[0].text;
    EXPECT_TRUE(
        text.startsWith("本程序的操作很简单的。如果你真的有什么不懂的地方，请你和我联系，"
                        "我的信箱是："));
    EXPECT_TRUE(text.contains(QRegularExpression("：[^ ：]+@[^ ]+\\.[a-z]+$")));
    EXPECT_EQ(messages[0].icon, MessageIcon::None);
}

TEST_F(FaceWindowTest, QuitClosesTheFaceAndItsDialog) {
    Start();
    ui().menu_wj_1->trigger();
    ASSERT_NE(face->dialog(), nullptr);
    ui().menu_wj_17->trigger();
    EXPECT_FALSE(face->isVisible());
    EXPECT_EQ(face->dialog(), nullptr);
}

TEST_F(FaceWindowTest, TheShortcutsWorkWhileTypingAnAnswer) {
    Start(QByteArray());
    face->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(face.get()));
    ui().Text1->setFocus();
    QTest::keyClick(ui().Text1, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(face->VoicePromptsOn());
    QTest::keyClick(ui().Text1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_NE(face->dialog(), nullptr) << "Ctrl+C makes questions, it does not copy";
    EXPECT_TRUE(ui().Text1->text().isEmpty());
}

TEST_F(FaceWindowTest, OnlyTheTraysRightButtonOpensTheMenu) {
    Start(QByteArray(), /*useTray=*/true);
    // The tray icon and the pointers come once the face has been painted.
    EXPECT_EQ(face->trayIcon(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return face->trayIcon() != nullptr; }));
    QSystemTrayIcon* tray = face->trayIcon();
    EXPECT_FALSE(face->windowIcon().isNull());
    EXPECT_EQ(ui().Text1->cursor().pixmap().size(), QSize(32, 32));
    EXPECT_EQ(tray->toolTip(), "Tavrin3.03");
    for (auto reason :
         {QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::DoubleClick}) {
        emit tray->activated(reason);
        EXPECT_FALSE(face->popupMenu()->isVisible());
    }
    emit tray->activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(face->popupMenu()->isVisible());
    face->popupMenu()->hide();
}

TEST_F(FaceWindowTest, WithoutATrayARightClickOnTheFaceOpensTheMenu) {
    Start();
    ASSERT_FALSE(face->HasTray());
    const QPoint cheek(60, 230);
    QTest::mouseClick(ui().picshape, Qt::LeftButton, {}, cheek);
    EXPECT_FALSE(face->popupMenu()->isVisible());
    QTest::mouseClick(ui().picshape, Qt::RightButton, {}, cheek);
    EXPECT_TRUE(face->popupMenu()->isVisible());
    face->popupMenu()->hide();
}

TEST_F(FaceWindowTest, TheMenuKeyOpensTheProgramsMenuFromTheAnswerBoxToo) {
    Start();
    for (QWidget* on :
         std::initializer_list<QWidget*>{ui().Text1, ui().Command1, ui().Command4, ui().picshape}) {
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              on->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(on, &key);
        EXPECT_TRUE(face->popupMenu()->isVisible()) << on->objectName().toStdString();
        face->popupMenu()->hide();
    }
}

TEST_F(FaceWindowTest, TheEarLabelsActAsButtons) {
    Start();
    auto textColour = [](QLabel* label) { return label->palette().color(QPalette::WindowText); };
    QTest::mousePress(ui().Label1, Qt::RightButton);
    EXPECT_EQ(textColour(ui().Label1), QColor(0, 0, 191));
    QTest::mouseRelease(ui().Label1, Qt::RightButton);
    EXPECT_EQ(textColour(ui().Label1), QColor(255, 255, 0));
    EXPECT_EQ(face->dialog(), nullptr) << "only the left button clicks";
    QTest::mouseClick(ui().Label1, Qt::LeftButton);
    EXPECT_NE(face->dialog(), nullptr);

    QTest::mousePress(ui().Label4, Qt::MiddleButton);
    EXPECT_FALSE(face->isVisible()) << "the quit label acts on the press";
}

// Presses on `widget` at `from`, moves to `to` with the button held, releases.
void Drag(QWidget* widget, QPoint from, QPoint to) {
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), widget->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(widget, &move);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

TEST_F(FaceWindowTest, PressingOnTheFaceDragsButPressingAControlDoesNot) {
    Start();
    const QPoint start = face->pos();
    Drag(ui().picshape, QPoint(60, 230), QPoint(70, 245));
    EXPECT_EQ(face->pos(), start + QPoint(10, 15));

    const QPoint before = face->pos();
    Drag(ui().Image1, QPoint(5, 5), QPoint(30, 30));
    EXPECT_EQ(face->pos(), before);
}

TEST_F(FaceWindowTest, TheAboutItemOpensOneAboutWindowThatOutlivesTheFace) {
    Start("[menu]\nmenu3=0\nmenu6=1\n");
    recorder.played.clear();
    ui().menu_gy_1->trigger();
    ui().menu_gy_1->trigger();
    EXPECT_TRUE(AboutWindow::IsOpen());
    EXPECT_EQ(recorder.played, (std::vector<testing::ClipRecorder::Played>{P(clips::ClipAbout)}));
    face->close();
    EXPECT_TRUE(AboutWindow::IsOpen());
    AboutWindow::Current()->close();
    EXPECT_FALSE(AboutWindow::IsOpen());
}

TEST_F(FaceWindowTest, TheFaceTakesItsShapeOnlyOnAScreenOfEnoughColours) {
    for (int depth : {16, 24, 32}) {
        Start("[menu]\nmenu3=0\nmenu6=0\n", false, depth);
        EXPECT_TRUE(messages.empty());
        // The white ground is cut away, the face itself stays.
        EXPECT_FALSE(face->mask().contains(QPoint(4, 4))) << depth;
        EXPECT_TRUE(face->mask().contains(QPoint(185, 200))) << depth;
        face.reset();
    }
    Start("[menu]\nmenu3=0\nmenu6=0\n", false, 8);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "对不起，程序必须在 16位, 24-位 或 32-位 颜色下。");
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(face->mask().isEmpty()) << "the window stays a plain rectangle";
    EXPECT_TRUE(ui().Label1->text().contains('\n')) << "and start-up carries on";
}

FactHistory Fact(const char* first, const char* sign, const char* second, const char* result,
                 std::vector<FactAnswer> answers) {
    return {first, sign, second, result, std::move(answers)};
}

TEST_F(FaceWindowTest, ReviewWithNothingDueSaysSoAndLeavesTheFaceAsItWas) {
    Start();
    MakeSet("1000", "10", "3");
    Answer("1");
    const QStringList shown = Question();
    recorder.played.clear();
    latestAnswers = {Fact(" 2", "＋", " 2", "4", {{1, 1, true, 900}, {2, 2, true, 800}})};
    face->reviewItem()->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.back().text, "没有要复习的题。");
    EXPECT_TRUE(recorder.played.empty());
    EXPECT_EQ(face->session().store.RowCount(), 3);
    EXPECT_EQ(face->session().questionIndex, 1);
    EXPECT_EQ(Question(), shown);
}

// Chosen while 出题's dialog is open over an unfinished set: the review set takes
// its place, runs like any set and is recorded as a review.
TEST_F(FaceWindowTest, ReviewStartsTheDueFactsAndRunsLikeAnySet) {
    QStringList kinds;
    recordMarkedSet = [&](SessionState& s) { kinds << s.choice.kind; };
    Start("[menu]\nmenu3=0\nmenu6=1\n");
    MakeSet("1000", "10", "3");
    Answer("1");
    OpenDialog();
    latestAnswers = {Fact(" 3", "＋", " 4", "7", {{1, 1, false, 900}}),
                     Fact(" 6", "×", " 7", "42", {{1, 2, true, 9000}}),
                     Fact(" 2", "＋", " 2", "4", {{1, 3, true, 900}, {2, 4, true, 800}})};
    recorder.played.clear();
    face->reviewItem()->trigger();
    EXPECT_EQ(face->dialog(), nullptr);
    EXPECT_TRUE(face->eyeTimer().isActive());
    ASSERT_FALSE(recorder.played.empty());
    EXPECT_EQ(recorder.played.front(), P(clips::ClipNewSet));
    auto& session = face->session();
    ASSERT_EQ(session.store.RowCount(), 2);
    EXPECT_EQ(session.choice.kind, "review");
    EXPECT_TRUE(ui().Command1->isEnabled());
    QStringList asked;
    for (std::int16_t row = 0; row < 2; ++row) {
        asked << session.store.Cell(1, row) + session.store.Cell(2, row) +
                     session.store.Cell(3, row);
        EXPECT_EQ(Question(), QStringList({session.store.Cell(1, row), session.store.Cell(2, row),
                                           session.store.Cell(3, row)}));
        Answer(session.store.Cell(4, row));
    }
    asked.sort();
    EXPECT_EQ(asked, QStringList({" 3＋ 4", " 6× 7"}));
    EXPECT_TRUE(session.setFinished);
    QTest::mouseClick(ui().Command4, Qt::LeftButton);
    EXPECT_EQ(session.scoreLine[kScoreTextCell], "100");
    EXPECT_EQ(kinds, QStringList{"review"});
    // Straight after a finished set, with 确定 disabled, a review takes answers again.
    ASSERT_FALSE(ui().Command1->isEnabled());
    face->reviewItem()->trigger();
    EXPECT_TRUE(ui().Command1->isEnabled());
    EXPECT_FALSE(session.setFinished);
    EXPECT_EQ(session.store.RowCount(), 2);
}

}  // namespace
}  // namespace tavrin
