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
         4,
         3,
         75,
         // The same fact stored without padding, and one that shares its first number.
         {Q(" 7", "＋", " 8", "15", "14"), Q(" 3", "×", " 4", "12", "12"),
          Q("7", "＋", "8", "15", "15"), Q(" 7", "＋", " 9", "16", "16")}},
    };
}

TEST(ReportTest, FiguresPerOperationRangeAndMostMissed) {
    const ReportFigures f = ComputeFigures(TwoSets());
    ASSERT_EQ(f.byOperation.size(), 3u);
    EXPECT_EQ(f.byOperation[0].label, QString("加法 ＋"));
    EXPECT_EQ(std::pair(f.byOperation[0].right, f.byOperation[0].total), std::pair(2, 5));
    EXPECT_EQ(f.byOperation[2].label, QString("乘法 ×"));
    ASSERT_EQ(f.byRange.size(), 2u);
    EXPECT_EQ(std::tuple(f.byRange[0].label, f.byRange[0].Percent()),
              std::tuple(QString("10 以内"), 33));
    ASSERT_EQ(f.mostMissed.size(), 1u);
    EXPECT_EQ(f.mostMissed[0].question, QString("7 ＋ 8"));
    EXPECT_EQ(std::pair(f.mostMissed[0].missed, f.mostMissed[0].asked), std::pair(3, 4));
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

RecordedQuestion Timed(const char* first, const char* sign, const char* second, const char* result,
                       const char* answer, int ms) {
    RecordedQuestion q = Q(first, sign, second, result, answer);
    q.answerMs = ms;
    return q;
}

// Two weeks of timed answers: the 错题本 lists the due facts with the answers given and
// the last time, the speed section has each operation's median and on-time share per
// week, and the grid colours the facts within 10 by their state.
TEST(ReportTest, DueFactsSpeedByWeekAndTheGridOfFacts) {
    const QDateTime monday(QDate(2026, 3, 2), QTime(18, 0));
    const auto set = [](QDateTime at, std::vector<RecordedQuestion> qs) {
        MarkedSet s;
        s.markedAt = at;
        s.mask = "1010";
        s.count = static_cast<int>(qs.size());
        s.questions = std::move(qs);
        return s;
    };
    const std::vector<MarkedSet> sets = {
        set(monday,
            {Timed(" 3", "＋", " 4", "7", "8", 2000), Timed(" 2", "×", " 3", "6", "6", 1000),
             Timed(" 9", "×", " 9", "81", "81", 9000), Q(" 1", "＋", " 1", "2", "2")}),
        set(monday.addDays(1),
            {Timed(" 2", "×", " 3", "6", "6", 2000), Timed(" 5", "＋", " 5", "10", "10", 3000)}),
        set(monday.addDays(7),
            {Timed(" 3", "＋", " 4", "7", "7", 5000), Timed(" 5", "＋", " 5", "10", "10", 5000)}),
    };
    const ReportFigures f = ComputeFigures(sets);

    ASSERT_EQ(f.due.size(), 3u);
    EXPECT_EQ(f.due[0].question, "5 ＋ 5") << "the latest miss first: too slow for two digits";
    EXPECT_EQ(f.due[1].question, "3 ＋ 4");
    EXPECT_EQ(f.due[1].answers, QStringList({"8", "7"}));
    EXPECT_EQ(f.due[1].lastMs, 5000);
    EXPECT_EQ(f.due[2].question, "9 × 9");

    ASSERT_EQ(f.speed.size(), 2u);
    EXPECT_EQ(f.speed[0].label, "加法 ＋");
    EXPECT_EQ(f.speed[0].timed, 4) << "the untimed answer is left out";
    EXPECT_EQ(f.speed[0].medianMs, 5000);
    EXPECT_EQ(f.speed[0].onTimePercent, 25);
    ASSERT_EQ(f.speed[0].weeks.size(), 2u);
    EXPECT_EQ(f.speed[0].weeks[0].monday, QDate(2026, 3, 2));
    EXPECT_EQ(f.speed[0].weeks[0].onTimePercent, 50);
    EXPECT_EQ(f.speed[0].weeks[1].onTimePercent, 0);
    EXPECT_EQ(f.speed[1].onTimePercent, 66);

    ASSERT_EQ(f.grids.size(), 2u);
    const FactGrid& add = f.grids[0];
    EXPECT_EQ(add.cells[2][4], FactState::Due);
    EXPECT_EQ(add.cells[0][1], FactState::Slow) << "right, but with no time";
    EXPECT_EQ(add.cells[4][5], FactState::Due) << "slow the last time";
    EXPECT_EQ(add.cells[5][5], std::nullopt) << "6 + 5 is beyond 10";
    EXPECT_EQ(add.cells[9][0], FactState::NotMet);
    const FactGrid& mul = f.grids[1];
    EXPECT_EQ(mul.cells[1][3], FactState::Known);
    EXPECT_EQ(mul.cells[8][9], FactState::Due);
    EXPECT_EQ(mul.cells[9][9], FactState::NotMet);

    const QString page = RenderReportPage(f, monday);
    for (const char* id : {"due", "speed", "speed-chart", "on-time-chart", "grid-add", "grid-mul"})
        EXPECT_TRUE(page.contains(QStringLiteral("id=\"%1\"").arg(id))) << id;
    const QString text = RenderReportText(f);
    EXPECT_TRUE(text.contains("3 ＋ 4")) << text.toStdString();
}

}  // namespace
}  // namespace tavrin
