// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

class QCoreApplication;

namespace tavrin {

// Qt's own texts that the face shows (the standard buttons of message boxes and dialogs, the
// answer box's editing menu) in Simplified Chinese, whatever language the desktop speaks, so
// that a box never asks a child to press "OK". The texts are the program's own, built in.
bool InstallQtChineseTexts(QCoreApplication& app);

// The texts of the command line (help, messages, the text report) in the language of the
// locale: Simplified Chinese under any zh locale, English, the texts as written, otherwise.
// Returns whether a translation was installed.
bool InstallCommandLineTexts(QCoreApplication& app, const QLocale& locale = QLocale());

}  // namespace tavrin
