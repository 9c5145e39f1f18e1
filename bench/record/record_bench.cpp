// SPDX-License-Identifier: GPL-3.0-or-later
// The largest set the store holds, marked on the face's 得分 click and stored
// in the practice record. The child waits only for the set to be taken (it must
// stay under 200 ms); storing it runs on the recorder's thread, and how long that
// holds the record's lock is what another face sharing the record waits for (the
// store waits up to RecordStore::kBusyWaitMs).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <cstdlib>

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

// An error of Google Benchmark's own ends with status 0: the smoke test would pass.
[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "record_bench: %s\n", what);
    std::exit(1);
}

// What the face waits for: the set taken on the GUI thread and handed over.
void MarkLargestSet(benchmark::State& state) {
    App();
    QTemporaryDir dir;
    const PracticeRecorder recorder(dir.filePath("tavrin/record.sqlite"));
    SessionState session = LargestFinishedSet();
    for (auto _ : state) {
        session.choice.recorded = false;
        recorder.SetMarked(session);
        state.PauseTiming();
        while (!recorder.Idle()) QThread::msleep(5);
        state.ResumeTiming();
    }
    if (recorder.Unstored() != 0) Fail("sets left unstored");
    state.counters["questions"] = kCount;
}
BENCHMARK(MarkLargestSet)->Unit(benchmark::kMillisecond)->Iterations(10);

// The recorder's own work: each iteration adds one more set to the same record, as
// a week of practice would, through the spool as the recorder does.
void StoreLargestSet(benchmark::State& state) {
    App();
    QTemporaryDir dir;
    const PracticeRecorder recorder(dir.filePath("tavrin/record.sqlite"));
    SessionState session = LargestFinishedSet();
    for (auto _ : state) {
        session.choice.recorded = false;
        recorder.SetMarked(session);
        while (!recorder.Idle()) QThread::msleep(1);
    }
    if (recorder.Unstored() != 0 ||
        RecordStore(dir.filePath("tavrin/record.sqlite")).LoadAll().sets.size() != 10)
        Fail("not every set stored");
    state.counters["questions"] = kCount;
}
BENCHMARK(StoreLargestSet)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace tavrin
