// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

#include "session/question_store.h"

namespace tavrin {

class RandomSource;

// A fact is known when it is answered right within this time: three seconds for
// a one-digit answer and one more for each further digit, since a child writes
// every digit by hand.
struct OnTimeLimit {
    int firstDigitMs = 3000;
    int furtherDigitMs = 1000;
};
inline constexpr OnTimeLimit kOnTime{};

// The time allowed for a right answer with this many digits.
int OnTimeLimitMs(QStringView result);
// Right within the limit. An answer recorded before times were kept has none,
// and is never on time.
bool IsOnTime(bool right, std::optional<int> answerMs, QStringView result);

// One answer to a fact, as the review rules see it.
struct FactAnswer {
    std::int64_t set = 0;    // the set it was given in
    std::int64_t order = 0;  // later answers have larger values, across the whole record
    bool right = false;
    std::optional<int> answerMs;
};

// A miss is an answer that was not on time: wrong, or right but slow. A right
// answer without a time is neither a miss nor on time.
enum class Miss { None, Wrong, Slow };
Miss MissOf(const FactAnswer& answer, QStringView result);

// Whether a fact is in the 错题本, from its answers oldest first: it is when one of
// its last three answers was a miss and it has not been answered on time in two
// different sets since its last miss. A wrong or slow latest answer is always due.
struct DueVerdict {
    bool due = false;
    Miss lastMiss = Miss::None;
    std::int64_t lastMissOrder = -1;
};
DueVerdict JudgeFact(const std::vector<FactAnswer>& history, QStringView result);

// The state a parent sees in the grid of facts.
enum class FactState { NotMet, Due, Slow, Known };
// Known once answered on time in two different sets, due by the rule above, slow
// when met but neither.
FactState StateOf(const std::vector<FactAnswer>& history, QStringView result);

// A fact as shown, with its latest answers oldest first.
struct FactHistory {
    QString first, sign, second, result;
    std::vector<FactAnswer> answers;
};

// The review set's facts: the due ones, wrong before slow, the most recently
// missed first, at most kReviewSize of them.
inline constexpr int kReviewSize = 20;
std::vector<FactHistory> ChooseReviewFacts(std::vector<FactHistory> facts);

// The chosen facts as a set in random order, and what the record keeps about it.
QuestionStore MakeReviewSet(const std::vector<FactHistory>& chosen, RandomSource& random);
SetChoice ReviewChoice(const QuestionStore& set);

}  // namespace tavrin
