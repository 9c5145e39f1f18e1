// SPDX-License-Identifier: GPL-3.0-or-later
// The largest set the store holds, marked on the face's 得分 click and stored
// in the practice record: the child waits for this, so it must stay under 200 ms.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "generation/question_set.h"
#include "record/practice_recorder.h"
#include "record/record_store.h"

namespace tavrin {
namespace {

constexpr std::int16_t kCount = 32767;
constexpr std::int16_t kRange = 181;

// Qt loads the SQLite driver through an application object. It is never destroyed: as a
// static it went at exit after Qt's own globals, and crashed there now and then (Qt 6.8).
QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "record_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

SessionState LargestFinishedSet() {
    SessionState session;
    RandomSource random;
    MakeQuestionSet(session.store, random, u"1111", kCount, kRange);
    session.choice = {QStringLiteral("1111"), kRange, kCount};
    for (std::int16_t row = 0; row < kCount; ++row)
        session.store.SetAnswer(row, row % 3 ? session.store.Cell(4, row) : QStringLiteral(" 12"));
    session.setFinished = true;
    return session;
}

// Each iteration adds one more set to the same record, as a week of practice would.
void MarkAndStoreLargestSet(benchmark::State& state) {
    App();
    QTemporaryDir dir;
    const PracticeRecorder recorder(dir.filePath("tavrin/record.sqlite"));
    SessionState session = LargestFinishedSet();
    for (auto _ : state) {
        session.choice.recorded = false;
        recorder.SetMarked(session);
    }
    if (RecordStore(dir.filePath("tavrin/record.sqlite")).Files().isEmpty())
        state.SkipWithError("nothing stored");
    state.counters["questions"] = kCount;
}
BENCHMARK(MarkAndStoreLargestSet)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace tavrin
