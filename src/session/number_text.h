// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace tavrin {

// Operands carry a sign position: " 7", " 0", "-1".
QString OperandText(std::int16_t value);
// Results are written plainly: "7", "0", "-1".
QString ResultText(std::int16_t value);

// What the child or parent typed, read the forgiving way: the decimal number the
// text begins with (sign, digits, point, exponent), blanks anywhere ignored,
// 0 when the text does not begin with a number, rounded half to even.
// Returns nothing when the value does not fit a 16-bit integer, so a caller
// can say so instead of working with a wrapped number.
std::optional<std::int16_t> Number(QStringView text);

// The same reading without rounding, for messages and diagnostics.
double LeadingNumber(QStringView text);

}  // namespace tavrin
