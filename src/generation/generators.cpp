// SPDX-License-Identifier: GPL-3.0-or-later
#include "generation/generators.h"

#include <cmath>
#include <optional>

#include "session/number_text.h"

namespace tavrin {

namespace {

std::optional<std::int16_t> Fit16(double value) {
    if (!(value >= -32768.0 && value <= 32767.0)) return std::nullopt;
    return static_cast<std::int16_t>(value);
}

std::optional<std::int16_t> Fit16(int value) { return Fit16(static_cast<double>(value)); }

// ⌊r·scale + offset⌋ as a 16-bit value.
std::optional<std::int16_t> FloorDraw(RandomSource& random, int scale, int offset) {
    return Fit16(std::floor(random.Draw() * scale + offset));
}

bool Append(QuestionStore& store, std::int16_t first, char16_t sign, std::int16_t second,
            std::optional<std::int16_t> result) {
    if (!result) return false;
    // One shared text per sign instead of a fresh one per row.
    static const QString signs[] = {QString(QChar(kPlusSign)), QString(QChar(kMinusSign)),
                                    QString(QChar(kTimesSign)), QString(QChar(kDivideSign))};
    const QString& signText = sign == kPlusSign    ? signs[0]
                              : sign == kMinusSign ? signs[1]
                              : sign == kTimesSign ? signs[2]
                                                   : signs[3];
    return store.AppendRow(OperandText(first), signText, OperandText(second), ResultText(*result));
}

}  // namespace

bool MakeAddition(QuestionStore& store, RandomSource& random, std::int16_t n) {
    random.Reseed();
    const auto a = FloorDraw(random, n, 1);
    if (!a) return false;
    // The scale of the second draw is itself a 16-bit value.
    const auto rest = Fit16(n - *a);
    if (!rest) return false;
    const auto b = FloorDraw(random, *rest, 0);
    if (!b) return false;
    return Append(store, *a, kPlusSign, *b, Fit16(*a + *b));
}

bool MakeSubtraction(QuestionStore& store, RandomSource& random, std::int16_t n) {
    random.Reseed();
    auto a = FloorDraw(random, n, 0);
    auto b = FloorDraw(random, n, 0);
    if (!a || !b) return false;
    if (*a < *b) std::swap(a, b);
    return Append(store, *a, kMinusSign, *b, Fit16(*a - *b));
}

bool MakeMultiplication(QuestionStore& store, RandomSource& random, std::int16_t n) {
    random.Reseed();
    const auto a = FloorDraw(random, n, 1);
    const auto b = FloorDraw(random, n, 0);
    if (!a || !b) return false;
    return Append(store, *a, kTimesSign, *b, Fit16(*a * *b));
}

bool MakeDivision(QuestionStore& store, RandomSource& random, std::int16_t n) {
    random.Reseed();
    const auto a = FloorDraw(random, n, 1);
    const auto b = FloorDraw(random, n, 1);
    if (!a || !b) return false;
    // Written backwards from a product, so the division always comes out exact.
    const auto dividend = Fit16(*a * *b);
    if (!dividend) return false;
    return Append(store, *dividend, kDivideSign, *a, b);
}

}  // namespace tavrin
