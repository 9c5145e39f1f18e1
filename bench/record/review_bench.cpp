// SPDX-License-Identifier: GPL-3.0-or-later
// A record of years of daily practice: 10,000 sets of 50 answers. The review set is
// read when the child chooses 复习错题 and must not hold up the face (goal: 50 ms);
// the parent's report page for the same record should come within a second.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "generation/random_source.h"
#include "record/record_commands.h"
#include "record/record_store.h"
#include "record/report.h"
#include "record/review.h"

namespace tavrin {
namespace {

constexpr int kSets = 10'000;
constexpr int kPerSet = 50;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "review_bench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt SQL's drivers outlive static destruction, and tearing the
    // application down under them corrupted the heap at exit on Debian 13.
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "review_bench: %s\n", what);
    std::exit(1);
}

// The record is made by the store itself (its schema) and then filled in SQL,
// which takes a second instead of the minutes that 10,000 separate sets would.
const QString& LargeRecord() {
    static QTemporaryDir dir;
    static const QString path = [] {
        App();
        const QString file = dir.filePath("record.sqlite");
        MarkedSet first;
        first.markedAt = QDateTime::currentDateTime();
        if (!RecordStore(file).Append(first).stored) Fail("cannot make the record");
        {
            auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
            db.setDatabaseName(file);
            if (!db.open()) Fail("cannot open the record");
            QSqlQuery q(db);
            const QString sets =
                QStringLiteral(
                    "WITH RECURSIVE s(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM s WHERE i < %1)"
                    " INSERT INTO practice_set (id, marked_at, operations, number_range,"
                    " question_count, correct_count, score, kind)"
                    " SELECT i, strftime('%Y-%m-%dT%H:%M:%S+08:00', '2024-01-01', '+' || (i * 5000)"
                    " || ' seconds'), '1111', 20, %2, 45, 90, 'new' FROM s")
                    .arg(kSets + 1)
                    .arg(kPerSet);
            // About 1,500 facts within 20 of all four operations, one answer in ten wrong, times
            // from 0.5 to 8.5 s.
            const QString questions =
                QStringLiteral(
                    "WITH RECURSIVE n(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM n WHERE k < %1),"
                    " f AS (SELECT k, 1 + k % 19 AS a, (k / 19) % 20 AS b, (k / 380) % 4 AS op "
                    "FROM n)"
                    " INSERT INTO question (set_id, position, first_operand, operator_sign,"
                    " second_operand, result, answer, is_right, answer_ms)"
                    " SELECT 2 + k / %2, k % %2, substr(' ' || a, -2),"
                    " CASE op WHEN 0 THEN '＋' WHEN 1 THEN '－' WHEN 2 THEN '×' ELSE '÷' END,"
                    " substr(' ' || CASE op WHEN 3 THEN max(b, 1) ELSE b END, -2),"
                    " CAST(CASE op WHEN 0 THEN a + b WHEN 1 THEN a - b WHEN 2 THEN a * b"
                    " ELSE a / max(b, 1) END AS TEXT), '?', (k * 7919) % 97 > 9,"
                    " 500 + (k * 7717) % 8003 FROM f")
                    .arg(kSets * kPerSet - 1)
                    .arg(kPerSet);
            // Each fact's latest answers, shifted along in the order they were given, as
            // the store does set by set.
            const QString facts = QStringLiteral(
                "INSERT INTO fact (first_operand, operator_sign, second_operand, result, set1,"
                " pos1, right1, ms1) SELECT first_operand, operator_sign, second_operand, result,"
                " set_id, position, is_right, answer_ms FROM question WHERE true"
                " ORDER BY set_id, position ON CONFLICT (first_operand, operator_sign,"
                " second_operand) DO UPDATE SET set3 = set2, pos3 = pos2, right3 = right2,"
                " ms3 = ms2, set2 = set1, pos2 = pos1, right2 = right1, ms2 = ms1,"
                " set1 = excluded.set1, pos1 = excluded.pos1, right1 = excluded.right1,"
                " ms1 = excluded.ms1, result = excluded.result");
            if (!q.exec(QStringLiteral("BEGIN")) || !q.exec(sets) || !q.exec(questions) ||
                !q.exec(facts) || !q.exec(QStringLiteral("COMMIT")))
                Fail(qPrintable(q.lastError().text()));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fill"));
        return file;
    }();
    return path;
}

void ReviewSetFromLargeRecord(benchmark::State& state) {
    const RecordStore store(LargeRecord());
    RandomSource random;
    int rows = 0;
    for (auto _ : state) {
        const auto latest = store.LoadLatestAnswers();
        const QuestionStore set = MakeReviewSet(ChooseReviewFacts(latest.facts), random);
        rows = set.RowCount();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != kReviewSize) Fail("the review set is not full");
    state.counters["answers"] = kSets * kPerSet;
}
BENCHMARK(ReviewSetFromLargeRecord)->Unit(benchmark::kMillisecond);

void ReportPageOfLargeRecord(benchmark::State& state) {
    QTemporaryDir dir;
    const QString page = dir.filePath("report.html");
    for (auto _ : state)
        if (!WriteReportPage(LargeRecord(), page).isEmpty()) Fail("no report page");
    state.counters["answers"] = kSets * kPerSet;
}
BENCHMARK(ReportPageOfLargeRecord)->Unit(benchmark::kMillisecond)->Iterations(3);

// The page's share of the above without the reading: the figures and the HTML.
void ReportFiguresOfLoadedRecord(benchmark::State& state) {
    const auto loaded = RecordStore(LargeRecord()).LoadAll();
    if (loaded.sets.size() != kSets + 1) Fail("the record did not load");
    for (auto _ : state) {
        const QString page = RenderReportPage(ComputeFigures(loaded.sets), QDateTime());
        benchmark::DoNotOptimize(page.size());
    }
}
BENCHMARK(ReportFiguresOfLoadedRecord)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tavrin
