// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/scoring.h"

#include "session/number_text.h"
#include "sound/clip_player.h"
#include "sound/clip_table.h"

namespace tavrin {

QStringView TrimSpaces(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') ++begin;
    while (end > begin && text[end - 1] == u' ') --end;
    return text.sliced(begin, end - begin);
}

bool IsCorrect(QStringView answer, QStringView result) {
    return TrimSpaces(answer) == TrimSpaces(result);
}

std::int16_t CountCorrect(const QuestionStore& store) {
    std::int16_t correct = 0;
    for (std::int16_t row = 0; row < store.RowCount(); ++row)
        if (IsCorrect(store.Cell(5, row), store.Cell(4, row))) ++correct;
    return correct;
}

std::int16_t Score(std::int16_t correct, std::int16_t count) {
    if (count <= 0) return 0;
    const double share = static_cast<double>(correct) / static_cast<double>(count);
    return static_cast<std::int16_t>(share * 100.0);
}

ScoreLine InitialScoreLine() {
    ScoreLine line;
    const char16_t* head[] = {u"你", u"的", u"得", u"分", u"是", u"", u"分"};
    for (int i = 0; i < 7; ++i) line[static_cast<std::size_t>(i)] = QString::fromUtf16(head[i]);
    return line;
}

bool ScoreMarquee::Tick(const ScoreLine& scoreLine) {
    if (marqueePos >= 14) {
        marqueePos = 0;
        return false;
    }
    for (int i = 0; i <= marqueePos; ++i)
        marqueeCells[static_cast<std::size_t>(marqueePos - i)] =
            scoreLine[static_cast<std::size_t>(i)];
    ++marqueePos;
    return true;
}

bool ScoreAnnouncement::Tick(QStringView scoreText, ClipPlayer& player) {
    ++announceStep;
    auto finish = [this] {
        announceStep = 0;
        return true;
    };
    // Before any set has been marked there is no score to speak; a lead-in
    // followed by silence would only puzzle the child.
    if (scoreText.isEmpty()) return finish();

    const auto score = Number(scoreText).value_or(0);
    if (score == 100) {
        if (announceStep == 1) {
            player.PlayClip(clips::ClipScoreLeadIn.from, clips::ClipScoreLeadIn.to);
            return false;
        }
        // A score that became 100 mid-announcement may find the step already
        // past 2; ending here keeps the timer from ticking on for ever.
        if (announceStep == 2) player.PlayClip(clips::ClipHundred.from, clips::ClipHundred.to);
        return finish();
    }
    const auto digitOf = [](QChar c) { return static_cast<std::int16_t>(c.digitValue()); };
    switch (announceStep) {
        case 1:
            player.PlayClip(clips::ClipScoreLeadIn.from, clips::ClipScoreLeadIn.to);
            return false;
        case 2:
            if (score >= 10) player.PlayDigit(digitOf(scoreText.front()));
            return false;
        case 3:
            if (score >= 10) player.PlayClip(clips::ClipTen.from, clips::ClipTen.to);
            return false;
        default:
            if (announceStep == 4) player.PlayDigit(digitOf(scoreText.back()));
            return finish();
    }
}

}  // namespace tavrin
