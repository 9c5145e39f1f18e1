// SPDX-License-Identifier: GPL-3.0-or-later
// The largest set the store holds, every operation mixed at the largest safe
// range: how long making it and marking it take.
#include <benchmark/benchmark.h>

#include "generation/question_set.h"
#include "session/scoring.h"

namespace tavrin {
namespace {

constexpr std::int16_t kCount = 32767;
constexpr std::int16_t kRange = 181;

void MakeLargestSet(benchmark::State& state) {
    RandomSource random;
    QuestionStore store;
    for (auto _ : state) {
        store.Clear();
        MakeQuestionSet(store, random, u"1111", kCount, kRange);
        benchmark::DoNotOptimize(store.RowCount());
    }
    state.counters["questions"] = kCount;
}
BENCHMARK(MakeLargestSet)->Unit(benchmark::kMillisecond);

void MarkLargestSet(benchmark::State& state) {
    RandomSource random;
    QuestionStore store;
    MakeQuestionSet(store, random, u"1111", kCount, kRange);
    // Half right, half wrong, some with blanks, as a real child's answers might be.
    for (std::int16_t r = 0; r < store.RowCount(); ++r)
        store.SetAnswer(r, r % 2 ? QStringLiteral(" ") + store.Cell(4, r) : QStringLiteral("0"));
    for (auto _ : state) {
        auto score = Score(CountCorrect(store), store.RowCount());
        benchmark::DoNotOptimize(score);
    }
}
BENCHMARK(MarkLargestSet)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavrin
