// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tavrin {

// The full-width digits, ＋, －, ． and the ideographic space that a Chinese
// input method types in full-width mode, each turned into its ASCII form;
// everything else is kept, character for character.
QString AsciiNumberText(QString text);

}  // namespace tavrin
