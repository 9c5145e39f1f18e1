// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

#include "generation/random_source.h"
#include "session/question_store.h"

namespace tavrin {

enum class Operation { Addition, Subtraction, Multiplication, Division };

// The ticked operations as four characters, "1" or "0", in the order
// addition, subtraction, multiplication, division.
QString OperationMask(bool addition, bool subtraction, bool multiplication, bool division);

// The operations of a mask in the order a draw k = ⌊r·m⌋ picks them. The order
// is not always the natural one ("0111" puts division first); sets made by
// earlier versions of the program mix the same way.
std::vector<Operation> OperationsForMask(QStringView mask);

// One question's operation: no draw for a single ticked operation, none when
// nothing is ticked.
std::optional<Operation> ChooseOperation(QStringView mask, RandomSource& random);

bool MakeQuestion(Operation operation, QuestionStore& store, RandomSource& random, std::int16_t n);

// Appends count questions within range n, each operation drawn anew before its
// generator runs. Returns the number of rows made.
int MakeQuestionSet(QuestionStore& store, RandomSource& random, QStringView mask,
                    std::int16_t count, std::int16_t n);

// The ranges within which no draw of a generator can leave 16 bits.
struct RangeBounds {
    std::int16_t lowest;
    std::int16_t highest;
};
RangeBounds SafeRange(Operation operation);

// What the question-set dialog checks before it makes a set: both typed numbers
// fit 16 bits, and no ticked generator can overflow at that range.
struct QuestionSetCheck {
    bool ok = true;
    QString message;  // for the parent, when not ok
    std::int16_t range = 0;
    std::int16_t count = 0;
};
QuestionSetCheck CheckQuestionSetInput(QStringView rangeText, QStringView countText,
                                       QStringView mask);

}  // namespace tavrin
