// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>

#include "session/question_store.h"

namespace tavrin {

class ClipPlayer;

// Leading and trailing space characters only; a tab or a full-width blank
// typed into the answer is part of the answer.
QStringView TrimSpaces(QStringView text);

// An answer is right when, spaces trimmed from both, it is the same text as the
// result: "07" and "7.0" are not 7.
bool IsCorrect(QStringView answer, QStringView result);
std::int16_t CountCorrect(const QuestionStore& store);

// The share of right answers as a whole number 0..100, truncated, computed as
// (correct ÷ count) × 100 in doubles in that order: 29 of 100 gives 28.
std::int16_t Score(std::int16_t correct, std::int16_t count);

// The start-up contents of the score line: 你的得分是 · 分 and a blank tail.
ScoreLine InitialScoreLine();

// The diagonal marquee on the face, one cell further every tick.
struct ScoreMarquee {
    static constexpr int kLabels = 7;
    std::int16_t marqueePos = 0;
    std::array<QString, 14> marqueeCells;

    // One tick. Returns false on the tick that only wraps the position around,
    // when the labels keep what they show; otherwise the labels should now show
    // marqueeCells[0..6].
    bool Tick(const ScoreLine& scoreLine);
};

// The spoken score, one step per tick of a one-second timer.
struct ScoreAnnouncement {
    std::int16_t announceStep = 0;

    // One tick. Returns true when the announcement has ended and its timer
    // should stop.
    bool Tick(QStringView scoreText, ClipPlayer& player);
};

}  // namespace tavrin
