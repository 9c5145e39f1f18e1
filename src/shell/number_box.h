// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLineEdit;

namespace tavrin {

// Makes a box where numbers are typed show and hold ASCII: a Chinese input
// method in full-width mode types "１０", which would otherwise be marked
// wrong as an answer and read as 0 as a range.
void KeepNumberBoxAscii(QLineEdit* box);

}  // namespace tavrin
