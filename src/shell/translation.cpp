// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/translation.h"

#include <QCoreApplication>
#include <QTranslator>
#include <cstdio>

namespace tavrin {

namespace {

// Compiled from the .ts files beside this one into the program's resources.
constexpr char kFolder[] = ":/i18n";

bool Install(QCoreApplication& app, QTranslator* translator, bool loaded) {
    if (!loaded) {
        delete translator;
        return false;
    }
    translator->setParent(&app);
    return QCoreApplication::installTranslator(translator);
}

}  // namespace

bool InstallQtChineseTexts(QCoreApplication& app) {
    auto* translator = new QTranslator;
    const bool loaded = translator->load(QStringLiteral("qt_zh_CN"), QString::fromLatin1(kFolder));
    // Only a broken build lacks the file; say so rather than show English buttons silently.
    if (!loaded) std::fputs("tavrin: the built-in Chinese texts for Qt are missing\n", stderr);
    return Install(app, translator, loaded);
}

bool InstallCommandLineTexts(QCoreApplication& app, const QLocale& locale) {
    // Tried in the order of the locale's languages (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG);
    // tavrin_zh serves every zh locale.
    auto* translator = new QTranslator;
    const bool loaded = translator->load(locale, QStringLiteral("tavrin"), QStringLiteral("_"),
                                         QString::fromLatin1(kFolder));
    return Install(app, translator, loaded);
}

}  // namespace tavrin
