// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace tavrin {

// Qt's own texts (the standard buttons of message boxes among them) in
// Simplified Chinese, whatever language the desktop speaks, so that a box
// never asks a child to press "OK". Returns false, after one warning line,
// when Qt's translation is not installed; the program runs on in English there.
bool InstallQtChineseTexts(QCoreApplication& app);

}  // namespace tavrin
