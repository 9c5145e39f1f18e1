// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/review.h"

#include <algorithm>
#include <set>

#include "generation/random_source.h"
#include "session/number_text.h"

namespace tavrin {

int OnTimeLimitMs(QStringView result) {
    const auto digits =
        std::count_if(result.begin(), result.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return kOnTime.firstDigitMs +
           kOnTime.furtherDigitMs * static_cast<int>(std::max<qsizetype>(digits - 1, 0));
}

bool IsOnTime(bool right, std::optional<int> answerMs, QStringView result) {
    return right && answerMs && *answerMs <= OnTimeLimitMs(result);
}

Miss MissOf(const FactAnswer& answer, QStringView result) {
    if (!answer.right) return Miss::Wrong;
    if (answer.answerMs && !IsOnTime(true, answer.answerMs, result)) return Miss::Slow;
    return Miss::None;
}

DueVerdict JudgeFact(const std::vector<FactAnswer>& history, QStringView result) {
    constexpr std::size_t kLookBack = 3;
    const std::size_t from = history.size() > kLookBack ? history.size() - kLookBack : 0;
    std::optional<std::size_t> lastMiss;
    for (std::size_t i = from; i < history.size(); ++i)
        if (MissOf(history[i], result) != Miss::None) lastMiss = i;
    if (!lastMiss) return {};
    std::set<std::int64_t> onTimeSets;
    for (std::size_t i = *lastMiss + 1; i < history.size(); ++i)
        if (IsOnTime(history[i].right, history[i].answerMs, result))
            onTimeSets.insert(history[i].set);
    const FactAnswer& miss = history[*lastMiss];
    return {onTimeSets.size() < 2, MissOf(miss, result), miss.order};
}

FactState StateOf(const std::vector<FactAnswer>& history, QStringView result) {
    if (history.empty()) return FactState::NotMet;
    if (JudgeFact(history, result).due) return FactState::Due;
    std::set<std::int64_t> onTimeSets;
    for (const FactAnswer& a : history)
        if (IsOnTime(a.right, a.answerMs, result)) onTimeSets.insert(a.set);
    return onTimeSets.size() >= 2 ? FactState::Known : FactState::Slow;
}

std::vector<FactHistory> ChooseReviewFacts(std::vector<FactHistory> facts) {
    struct Due {
        DueVerdict verdict;
        FactHistory* fact;
    };
    std::vector<Due> due;
    for (FactHistory& f : facts)
        if (const DueVerdict v = JudgeFact(f.answers, f.result); v.due) due.push_back({v, &f});
    std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
        const bool aWrong = a.verdict.lastMiss == Miss::Wrong;
        const bool bWrong = b.verdict.lastMiss == Miss::Wrong;
        if (aWrong != bWrong) return aWrong;
        return a.verdict.lastMissOrder > b.verdict.lastMissOrder;
    });
    if (due.size() > static_cast<std::size_t>(kReviewSize)) due.resize(kReviewSize);
    std::vector<FactHistory> chosen;
    chosen.reserve(due.size());
    for (const Due& d : due) chosen.push_back(std::move(*d.fact));
    return chosen;
}

QuestionStore MakeReviewSet(const std::vector<FactHistory>& chosen, RandomSource& random) {
    std::vector<const FactHistory*> order;
    for (const FactHistory& f : chosen) order.push_back(&f);
    // Fisher–Yates on the program's own random source, so tests can fix the draw.
    for (std::size_t i = order.size(); i > 1; --i) {
        const auto j = static_cast<std::size_t>(random.Draw() * static_cast<double>(i));
        std::swap(order[i - 1], order[std::min(j, i - 1)]);
    }
    QuestionStore set;
    for (const FactHistory* f : order) set.AppendRow(f->first, f->sign, f->second, f->result);
    return set;
}

SetChoice ReviewChoice(const QuestionStore& set) {
    static const QString signs = QStringLiteral("＋－×÷");
    QString mask = QStringLiteral("0000");
    int range = 0;
    for (std::int16_t row = 0; row < set.RowCount(); ++row) {
        const auto at = signs.indexOf(set.Cell(2, row));
        if (at >= 0) mask[at] = u'1';
        for (int column : {1, 3})
            range = std::max(range, std::abs(int(Number(set.Cell(column, row)).value_or(0))));
    }
    return {mask, static_cast<std::int16_t>(range), set.RowCount(), false,
            QStringLiteral("review")};
}

}  // namespace tavrin
