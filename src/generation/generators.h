// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "generation/random_source.h"
#include "session/question_store.h"

namespace tavrin {

// The operator signs, full-width where a plain character would look thin on the face.
inline constexpr char16_t kPlusSign = u'\uFF0B';
inline constexpr char16_t kMinusSign = u'\uFF0D';
inline constexpr char16_t kTimesSign = u'\u00D7';
inline constexpr char16_t kDivideSign = u'\u00F7';

// Each generator re-seeds the source, makes its two draws and appends one
// question within range n to the store. Every value is a 16-bit integer; a
// question whose numbers would leave 16 bits is not made (nothing is appended
// and the result is false), so no caller ever sees a wrapped number.
// QuestionSetCheck in question_set.h tells beforehand which ranges are safe.
bool MakeAddition(QuestionStore& store, RandomSource& random, std::int16_t n);
bool MakeSubtraction(QuestionStore& store, RandomSource& random, std::int16_t n);
bool MakeMultiplication(QuestionStore& store, RandomSource& random, std::int16_t n);
bool MakeDivision(QuestionStore& store, RandomSource& random, std::int16_t n);

}  // namespace tavrin
