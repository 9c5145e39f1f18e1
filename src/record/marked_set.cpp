// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/marked_set.h"

#include "session/scoring.h"

namespace tavrin {

MarkedSet MakeMarkedSet(const SessionState& session, const QDateTime& markedAt) {
    const QuestionStore& store = session.store;
    MarkedSet set;
    set.markedAt = markedAt;
    set.mask = session.choice.mask;
    set.range = session.choice.range;
    set.kind = session.choice.kind;
    set.count = store.RowCount();
    set.questions.reserve(static_cast<std::size_t>(store.RowCount()));
    for (std::int16_t row = 0; row < store.RowCount(); ++row) {
        RecordedQuestion q{store.Cell(1, row),
                           store.Cell(2, row),
                           store.Cell(3, row),
                           store.Cell(4, row),
                           store.Cell(5, row),
                           false,
                           {}};
        q.right = IsCorrect(q.answer, q.result);
        q.answerMs = store.AnswerMs(row);
        set.correct += q.right ? 1 : 0;
        set.questions.push_back(std::move(q));
    }
    set.score = Score(static_cast<std::int16_t>(set.correct), store.RowCount());
    return set;
}

}  // namespace tavrin
