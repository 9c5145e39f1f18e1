// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

namespace tavrin {

bool InstallQtChineseTexts(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        std::fputs(
            "tavrin: Qt's Chinese texts are missing (install qt6-translations-l10n); "
            "standard buttons read in English\n",
            stderr);
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace tavrin
