// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/show_report.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <cstdio>

#include "record/record_commands.h"
#include "record/record_store.h"
#include "shell/fonts.h"
#include "shell/messages.h"
#include "shell/translation.h"

namespace tavrin {

namespace {

constexpr char kOption[] = "--show-report";

// The page holds the child's answers: a folder made for it is the user's alone.
bool MakeFolder(const QString& folder) {
    const QFileInfo parent(QFileInfo(folder).absolutePath());
    if (!QDir().mkpath(parent.absoluteFilePath())) return false;
    QDir dir;
    return dir.exists(folder) ||
           dir.mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

QString DefaultReportPagePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/tavrin/report.html");
}

int ShowReport(const ShowReportParts& parts) {
    const QString page = parts.pagePath.isEmpty() ? DefaultReportPagePath() : parts.pagePath;
    const QString record =
        parts.recordPath.isEmpty() ? RecordStore::DefaultPath() : parts.recordPath;
    QString error;
    if (!MakeFolder(QFileInfo(page).absolutePath()))
        error =
            QStringLiteral("写不了练习报告：建不了文件夹 %1。").arg(QFileInfo(page).absolutePath());
    else
        error = WriteReportPage(record, page);
    if (!error.isEmpty()) {
        ShowMessage(nullptr, error);
        return 1;
    }
    const auto open = parts.openUrl ? parts.openUrl : [](const QUrl& url) {
        return QDesktopServices::openUrl(url);
    };
    if (!open(QUrl::fromLocalFile(page))) {
        ShowMessage(nullptr, QStringLiteral("打不开浏览器，看不了练习记录。练习报告已写到 %1，"
                                            "请用浏览器打开这个文件。")
                                 .arg(page));
        return 1;
    }
    return 0;
}

bool AsksForShowReport(int argc, char** argv) {
    return argc >= 2 && qstrcmp(argv[1], kOption) == 0;
}

std::optional<int> RunShowReport(int& argc, char** argv) {
    if (!AsksForShowReport(argc, argv)) return std::nullopt;
    if (argc > 2) {
        std::fprintf(stderr, "用法：tavrin --show-report\n");
        return 2;
    }
    // Without a display there is no browser to open and no box to say so in.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "tavrin: 没有图形界面，打不开浏览器；请用 tavrin --report 文件.html\n");
        return 1;
    }
    RegisterFontSubstitutions();
    QApplication app(argc, argv);
    ApplyDefaultFont(app);
    InstallQtChineseTexts(app);
    // The page's own errors are said in the face's language, whatever the locale.
    InstallCommandLineTexts(app, QLocale(QLocale::Chinese, QLocale::China));
    return ShowReport({});
}

}  // namespace tavrin
