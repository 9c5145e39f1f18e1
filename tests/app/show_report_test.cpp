// SPDX-License-Identifier: GPL-3.0-or-later
// --show-report: the page it hands to the browser, and what the parent is told
// when that cannot be done.
#include "app/show_report.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <vector>

#include "record/record_store.h"
#include "scratch_mount.h"
#include "shell/messages.h"

namespace tavrin {
namespace {

class ShowReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetMessageSink(
            [this](QWidget*, const QString& text, MessageIcon) { messages.push_back(text); });
        parts.recordPath = dir.filePath("data/record.sqlite");
        parts.pagePath = dir.filePath("cache/tavrin/report.html");
        parts.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            QFile page(url.toLocalFile());
            pages.push_back(page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll())
                                                           : QString());
            return browserStarts;
        };
    }
    void TearDown() override { SetMessageSink(previous_); }

    QTemporaryDir dir;
    ShowReportParts parts;
    bool browserStarts = true;
    std::vector<QUrl> opened;
    std::vector<QString> pages;  // as the browser found each page
    std::vector<QString> messages;

private:
    MessageSink previous_;
};

TEST_F(ShowReportTest, HandsTheBrowserTheFreshPageEachTime) {
    EXPECT_EQ(ShowReport(parts), 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(parts.pagePath));
    EXPECT_TRUE(pages[0].contains("还没有练习记录")) << "a page even before the first set";
    EXPECT_FALSE(QFile::exists(parts.recordPath)) << "showing creates no record";
    EXPECT_EQ(QFileInfo(dir.filePath("cache/tavrin")).permissions() & 0x0077, 0)
        << "the child's answers are the user's alone";

    MarkedSet set{QDateTime::currentDateTime(), "1000", 10, 1, 1, 100, {}};
    set.questions.push_back({" 2", "＋", " 3", "5", "5", true});
    ASSERT_TRUE(RecordStore(parts.recordPath).Append(set).stored);
    EXPECT_EQ(ShowReport(parts), 0);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_FALSE(pages[1].contains("还没有练习记录")) << "the page was not replaced";
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShowReportTest, SaysInOneMessageWhenNoBrowserStartsOrThePageCannotBeWritten) {
    browserStarts = false;
    EXPECT_EQ(ShowReport(parts), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith("打不开浏览器")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(parts.pagePath)) << "so the parent can open it by hand";

    // A file where the page's folder should be: nothing to hand to a browser.
    messages.clear();
    opened.clear();
    QFile(dir.filePath("blocked")).open(QIODevice::WriteOnly);
    parts.pagePath = dir.filePath("blocked/tavrin/report.html");
    EXPECT_EQ(ShowReport(parts), 1);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(opened.empty());
}

TEST_F(ShowReportTest, APageThatCannotBeWrittenWholeIsNotHandedOnAndTheOldOneStays) {
    TAVRIN_SKIP_UNLESS_ROOT();
    const QString folder = QFileInfo(parts.pagePath).path();
    QDir().mkpath(folder);
    const auto disk = testing::ScratchMount::Tmpfs(folder, 16);
    ASSERT_TRUE(disk.mounted());
    ASSERT_EQ(ShowReport(parts), 0);
    MarkedSet set{QDateTime::currentDateTime(), "1000", 10, 1, 1, 100, {}};
    set.questions.push_back({" 2", "＋", " 3", "5", "5", true});
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(RecordStore(parts.recordPath).Append(set).stored);
    ASSERT_TRUE(disk.Fill());

    EXPECT_EQ(ShowReport(parts), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(parts.pagePath)) << messages[0].toStdString();
    EXPECT_EQ(opened.size(), 1u) << "only the first, whole page went to the browser";
    QFile page(parts.pagePath);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(page.readAll()), pages[0]);
}

}  // namespace
}  // namespace tavrin
