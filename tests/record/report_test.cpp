// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/report.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

RecordedQuestion Q(const char* first, const char* sign, const char* second, const char* result,
                   const QString& answer) {
    return {first, sign, second, result, answer, answer.trimmed() == QString(result)};
}

std::vector<MarkedSet> TwoSets() {
    const QDateTime day(QDate(2026, 3, 2), QTime(18, 0));
    return {
        {day,
         "1100",
         10,
         3,
         1,
         33,
         {Q(" 7", "＋", " 8", "15", "14"), Q(" 9", "－", " 1", "8", "8"),
          Q(" 7", "＋", " 8", "15", "<script>\x1b[2J")}},
        {day.addDays(1),
         "0010",
         20,
         2,
         1,
         50,
         {Q(" 7", "＋", " 8", "15", "14"), Q(" 3", "×", " 4", "12", "12")}},
    };
}

TEST(ReportTest, FiguresPerOperationRangeAndMostMissed) {
    const ReportFigures f = ComputeFigures(TwoSets());
    ASSERT_EQ(f.byOperation.size(), 3u);
    EXPECT_EQ(f.byOperation[0].label, QString("加法 ＋"));
    EXPECT_EQ(std::pair(f.byOperation[0].right, f.byOperation[0].total), std::pair(0, 3));
    EXPECT_EQ(f.byOperation[2].label, QString("乘法 ×"));
    ASSERT_EQ(f.byRange.size(), 2u);
    EXPECT_EQ(std::tuple(f.byRange[0].label, f.byRange[0].Percent()),
              std::tuple(QString("10 以内"), 33));
    ASSERT_EQ(f.mostMissed.size(), 1u);
    EXPECT_EQ(f.mostMissed[0].question, QString("7 ＋ 8"));
    EXPECT_EQ(std::pair(f.mostMissed[0].missed, f.mostMissed[0].asked), std::pair(3, 3));
    EXPECT_EQ(f.mostMissed[0].answers, QStringList({"14", "<script>\x1b[2J"}));
    EXPECT_EQ(f.sets[0].operations, QString("加、减"));
}

TEST(ReportTest, TypedAnswersCannotActInThePageOrTheTerminal) {
    const ReportFigures f = ComputeFigures(TwoSets());
    const QString page = RenderReportPage(f, QDateTime::currentDateTime());
    EXPECT_FALSE(page.contains("<script")) << "escaped: " << page.contains("&lt;script&gt;");
    EXPECT_TRUE(page.contains("&lt;script&gt;"));
    for (const char* id : {"score-chart", "by-operation", "by-range", "most-missed", "last-sets"})
        EXPECT_TRUE(page.contains(QStringLiteral("id=\"%1\"").arg(id))) << id;
    EXPECT_FALSE(page.contains("http://") && page.contains("src=")) << "nothing fetched";
    const QString text = RenderReportText(f);
    EXPECT_FALSE(text.contains(QChar(0x1b)));
    EXPECT_TRUE(text.contains("<script>\uFFFD[2J"));
}

}  // namespace
}  // namespace tavrin
