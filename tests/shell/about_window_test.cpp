// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/about_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <memory>

#include "clip_recorder.h"
#include "shell/fonts.h"
#include "shell/pictures.h"
#include "shell/translation.h"

namespace tavrin {
namespace {

using testing::ClipRecorder;

bool SameImage(const QImage& a, const QImage& b) {
    return !a.isNull() && !b.isNull() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

class AboutWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (AboutWindow* open = AboutWindow::Current()) open->close();
        DeleteClosed();
    }

    static void DeleteClosed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QLabel* Control(AboutWindow* window, const char* name) {
        return window->findChild<QLabel*>(QString::fromLatin1(name));
    }

    static void Mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button,
                      QPointF at = {5, 5}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    static void Click(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
        Mouse(target, QEvent::MouseButtonPress, button);
        Mouse(target, QEvent::MouseButtonRelease, button);
    }

    // Which of the two parked pictures the leave button shows.
    static bool ShowsPressed(AboutWindow* window) {
        return SameImage(window->LeaveButton()->pixmap().toImage(),
                         Control(window, "Image4")->pixmap().toImage());
    }
    static bool ShowsReleased(AboutWindow* window) {
        return SameImage(window->LeaveButton()->pixmap().toImage(),
                         Control(window, "Image3")->pixmap().toImage());
    }

    static int OpenAboutWindows() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<AboutWindow*>(w) != nullptr && w->isVisible()) ++n;
        }
        return n;
    }

    ClipRecorder player;
};

TEST_F(AboutWindowTest, SoundOnlyWithSoundEffectsAndOnlyOnFirstShow) {
    AboutWindow* first = AboutWindow::ShowAbout(true, player);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(AboutWindow::IsOpen());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(player.played, std::vector{ClipRecorder::Of(clips::ClipAbout)});

    // Opening again only brings the open window forward.
    EXPECT_EQ(AboutWindow::ShowAbout(true, player), first);
    EXPECT_EQ(OpenAboutWindows(), 1);
    EXPECT_EQ(player.played.size(), 1u);

    first->close();
    EXPECT_FALSE(AboutWindow::IsOpen());
    AboutWindow* quiet = AboutWindow::ShowAbout(false, player);
    EXPECT_NE(quiet, nullptr);
    EXPECT_TRUE(quiet->isVisible());
    EXPECT_EQ(player.played.size(), 1u);
}

TEST_F(AboutWindowTest, DesignedWindowCentredWithoutOwnerOrTitleBar) {
    AboutWindow* window = AboutWindow::ShowAbout(false, player);
    EXPECT_EQ(window->size(), QSize(424, 425));
    EXPECT_EQ(window->parentWidget(), nullptr);
    // A tool window would stay out of the taskbar.
    EXPECT_EQ(window->windowType(), Qt::Window);
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((window->geometry().center() - centre).manhattanLength(), 1);

    EXPECT_EQ(Control(window, "Label3")->text(), QStringLiteral("T\na\nv\nr\ni\nn"));
    EXPECT_EQ(Control(window, "Label4")->text(), QStringLiteral("T\na\nv\nr\ni\nn"));

    // Enlarging the window leaves every control where the design put it.
    window->resize(500, 520);
    EXPECT_EQ(window->LeaveButton()->geometry(), QRect(360, 360, 32, 32));
    EXPECT_EQ(Control(window, "Image4")->geometry(), QRect(160, 440, 32, 32));
}

TEST_F(AboutWindowTest, LeftButtonShowsPressedThenReleasedPicture) {
    AboutWindow* window = AboutWindow::ShowAbout(false, player);
    QLabel* image2 = window->LeaveButton();
    ASSERT_TRUE(ShowsReleased(window));
    ASSERT_FALSE(ShowsPressed(window));

    Mouse(image2, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(ShowsPressed(window));
    // Let go outside the button: released again, but no click.
    Mouse(image2, QEvent::MouseButtonRelease, Qt::LeftButton, {-20, 5});
    EXPECT_TRUE(ShowsReleased(window));
    EXPECT_TRUE(AboutWindow::IsOpen());

    // The caption is part of the button.
    Mouse(Control(window, "Label5"), QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(ShowsPressed(window));
}

TEST_F(AboutWindowTest, OtherButtonsChangeNothingAndDoNotClose) {
    AboutWindow* window = AboutWindow::ShowAbout(false, player);
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        Mouse(window->LeaveButton(), QEvent::MouseButtonPress, button);
        EXPECT_TRUE(ShowsReleased(window)) << button;
        Click(window->LeaveButton(), button);
        Click(Control(window, "Label5"), button);
    }
    EXPECT_TRUE(AboutWindow::IsOpen());

    // A right press during a left one does not undo the pressed picture.
    Mouse(window->LeaveButton(), QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(window->LeaveButton(), QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_TRUE(ShowsPressed(window));
}

TEST_F(AboutWindowTest, ClickOnEitherPartOfTheButtonClosesAndNextOpeningStartsAfresh) {
    for (const char* part : {"Image2", "Label5"}) {
        AboutWindow* window = AboutWindow::ShowAbout(true, player);
        QPointer<AboutWindow> watch(window);
        bool closed = false;
        QObject::connect(window, &AboutWindow::Closed, [&closed] { closed = true; });

        Click(Control(window, part));
        EXPECT_TRUE(closed) << part;
        EXPECT_FALSE(AboutWindow::IsOpen()) << part;
        DeleteClosed();
        EXPECT_TRUE(watch.isNull()) << part;
    }
    // Each opening played the sound, and the new window starts with the released picture
    // even though the last one was left showing it pressed.
    EXPECT_EQ(player.played.size(), 2u);
    AboutWindow* again = AboutWindow::ShowAbout(true, player);
    EXPECT_EQ(player.played.size(), 3u);
    EXPECT_TRUE(ShowsReleased(again));
}

TEST_F(AboutWindowTest, PressOnOnePartAndReleaseOnTheOtherIsNoClick) {
    AboutWindow* window = AboutWindow::ShowAbout(false, player);
    Mouse(window->LeaveButton(), QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(Control(window, "Label5"), QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_TRUE(AboutWindow::IsOpen());
    EXPECT_TRUE(ShowsReleased(window));
}

TEST_F(AboutWindowTest, PointerClicksAtTheArrowsTipAndBoxesSpeakChinese) {
    AboutWindow* window = AboutWindow::ShowAbout(false, player);
    // Our own pointer picture, not one of the standard pointers (all of which have (0, 0) too).
    const QCursor pointer = window->cursor();
    EXPECT_EQ(pointer.shape(), Qt::BitmapCursor);
    EXPECT_EQ(pointer.hotSpot(), QPoint(0, 0));
    EXPECT_EQ(pointer.pixmap().toImage(),
              CompiledPicture(QStringLiteral("about_pointer.ico"), window->devicePixelRatioF())
                  .toImage());
    EXPECT_EQ(Control(window, "Image1")->cursor().pixmap().toImage(), pointer.pixmap().toImage());

    ASSERT_TRUE(InstallQtChineseTexts(*qApp)) << "the built-in translation is missing";
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), "确定");
}

TEST(QtTexts, ButtonsAndTheAnswerBoxsMenuSpeakChinese) {
    ASSERT_TRUE(InstallQtChineseTexts(*qApp));
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    const std::pair<QMessageBox::StandardButton, const char*> buttons[] = {
        {QMessageBox::Ok, "确定"},
        {QMessageBox::Cancel, "取消"},
        {QMessageBox::Yes, "是(&Y)"},
        {QMessageBox::No, "否(&N)"}};
    for (const auto& [button, text] : buttons)
        EXPECT_EQ(box.button(button)->text(), QString::fromUtf8(text));

    // The menu's texts carry the shortcut after a tab.
    QLineEdit answer;
    answer.setText(QStringLiteral("12"));
    std::unique_ptr<QMenu> menu(answer.createStandardContextMenu());
    QStringList items;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator()) items << action->text().section(u'\t', 0, 0);
    EXPECT_EQ(items, QStringList({"撤消(&U)", "重做(&R)", "剪切(&T)", "复制(&C)", "粘贴(&P)",
                                  "删除", "全选"}));
}

}  // namespace
}  // namespace tavrin
