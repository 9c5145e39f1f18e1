// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "session/question_store.h"

namespace tavrin {

// One question of a marked set as the record keeps it: the texts shown, the
// result, the answer exactly as typed and whether it was right.
struct RecordedQuestion {
    QString first;
    QString sign;
    QString second;
    QString result;
    QString answer;
    bool right = false;
    std::optional<int> answerMs =
        std::nullopt;  // unknown for answers recorded before times were kept
};

// One marked set as the record keeps it.
struct MarkedSet {
    QDateTime markedAt;
    QString mask;  // the ticked operations, "1100" for addition and subtraction
    int range = 0;
    int count = 0;
    int correct = 0;
    int score = 0;
    std::vector<RecordedQuestion> questions;
    QString kind = QStringLiteral("new");  // or "review"
};

// The set in the store, marked by the same rule as the score on the face.
MarkedSet MakeMarkedSet(const SessionState& session, const QDateTime& markedAt);

}  // namespace tavrin
