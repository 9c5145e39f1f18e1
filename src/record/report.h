// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "record/marked_set.h"
#include "record/review.h"

namespace tavrin {

// Right answers out of questions asked, under one heading.
struct Accuracy {
    QString label;
    int key = 0;  // the operation's place in ＋－×÷, or the range
    int right = 0;
    int total = 0;
    int Percent() const { return total > 0 ? right * 100 / total : 0; }
};

// A question answered wrongly at least once, with the wrong answers given,
// the most frequent first.
struct MissedQuestion {
    QString question;  // "7 ＋ 8"
    QString result;
    int missed = 0;
    int asked = 0;
    QStringList answers;
};

// A fact in the 错题本: its right answer, the answers given to it, oldest first,
// and how long the latest took.
struct DueFact {
    QString question;  // "7 ＋ 8"
    QString result;
    QStringList answers;
    std::optional<int> lastMs;
};

// One week of one operation's timed answers.
struct SpeedWeek {
    QDate monday;
    int medianMs = 0;  // of the right answers; 0 when none were right
    int onTimePercent = 0;
};

// How fast an operation's facts come: the median time of right answers and the
// share answered on time, among answers with a time.
struct Speed {
    QString label;
    int key = 0;  // the operation's place in ＋－×÷
    int timed = 0;
    int medianMs = 0;
    int onTimePercent = 0;
    std::vector<SpeedWeek> weeks;  // oldest first
};

// The facts of addition and multiplication within 10 as the generator makes them:
// a row per first number 1..10, a column per second number 0..9; addition has
// only the cells whose sum is at most 10.
struct FactGrid {
    static constexpr int kRows = 10, kColumns = 10;
    QString sign;
    std::optional<FactState> cells[kRows][kColumns];  // nothing where no such fact is made
};

struct SetSummary {
    QDateTime markedAt;
    QString operations;  // "加、减"
    QString mask;        // "1100", as recorded
    int range = 0;
    int count = 0;
    int correct = 0;
    int score = 0;
};

// What the parent's report shows.
struct ReportFigures {
    static constexpr int kMostMissed = 10;
    static constexpr int kLastSets = 10;
    static constexpr int kAnswersShown = 5;

    int questions = 0;
    std::vector<SetSummary> sets;  // every set, oldest first: the chart
    std::vector<Accuracy> byOperation;
    std::vector<Accuracy> byRange;
    std::vector<MissedQuestion> mostMissed;
    std::vector<DueFact> due;  // the most recently missed first
    std::vector<Speed> speed;
    std::vector<FactGrid> grids;  // addition, then multiplication
};

// The sets are in the order they were marked.
ReportFigures ComputeFigures(const std::vector<MarkedSet>& sets);

// "加、减、乘、除" for the ticked operations of a mask.
QString OperationNames(const QString& mask);

// One self-contained page: no scripts, nothing fetched. Every text from the
// record is escaped, since the answers are whatever the child typed.
QString RenderReportPage(const ReportFigures& figures, const QDateTime& madeAt);
// The same figures as plain-text tables for a terminal, in the language of the installed
// translation (English as written, Chinese under a Chinese locale); control characters
// from the record are replaced so that no typed answer can steer the terminal.
QString RenderReportText(const ReportFigures& figures);

}  // namespace tavrin
