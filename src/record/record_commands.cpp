// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/record_commands.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <iostream>
#include <string>

#include "record/record_store.h"
#include "record/report.h"
#include "session/whole_file.h"

namespace tavrin {

namespace {

// Written in English and translated by the program's translation of the locale's language.
QString Tr(const char* text) { return QCoreApplication::translate("tavrin::RecordCommands", text); }

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int Report(const RecordStore& store, const QString& target) {
    if (target == u"-") {
        const RecordStore::Loaded loaded = store.LoadAll();
        if (!loaded.error.isEmpty()) {
            Print(stderr, loaded.error + u'\n');
            return 1;
        }
        Print(stdout, RenderReportText(ComputeFigures(loaded.sets)));
        return 0;
    }
    const QString error = WriteReportPage(store.path(), target);
    if (!error.isEmpty()) {
        Print(stderr, error + u'\n');
        return 1;
    }
    Print(stdout, Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands", "Practice report written to %1\n"))
                      .arg(target));
    return 0;
}

int Forget(const RecordStore& store, bool ask) {
    const QStringList files = store.Files();
    if (files.isEmpty()) {
        Print(stdout, Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands",
                                           "There is no practice record; nothing to delete.\n")));
        return 0;
    }
    const RecordStore::Loaded loaded = store.LoadAll();
    QString list =
        loaded.error.isEmpty()
            ? Tr(QT_TRANSLATE_NOOP(
                     "tavrin::RecordCommands",
                     "These files of the practice record (%1 sets) will be deleted:\n"))
                  .arg(loaded.sets.size())
            : Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands",
                                   "These files of the practice record will be deleted:\n"));
    for (const QString& file : files) list += QStringLiteral("  %1\n").arg(file);
    Print(stdout, list);
    if (ask) {
        Print(stdout, Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands",
                                           "Delete them? Type y and press Enter to confirm: ")));
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes" && answer != "是") {
            Print(stdout,
                  Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands", "Nothing was deleted.\n")));
            return 1;
        }
    }
    int status = 0;
    for (const QString& file : files)
        if (QFileInfo::exists(file) && !QFile::remove(file)) {
            Print(stderr,
                  Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands", "Cannot delete %1\n")).arg(file));
            status = 1;
        }
    // The folder goes too once nothing else is in it.
    QDir().rmdir(QFileInfo(store.path()).absolutePath());
    if (status == 0)
        Print(stdout,
              Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands", "The practice record is deleted.\n")));
    return status;
}

}  // namespace

QString WriteReportPage(const QString& recordPath, const QString& target) {
    const RecordStore::Loaded loaded = RecordStore(recordPath).LoadAll();
    if (!loaded.error.isEmpty()) return loaded.error;
    // A page cut short by a full disk would look like a report with fewer sets: the old
    // page or none stays instead.
    WholeFileWriter page(target);
    if (page.Open() &&
        page.Write(
            RenderReportPage(ComputeFigures(loaded.sets), QDateTime::currentDateTime()).toUtf8()) &&
        page.Commit())
        return {};
    return Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands",
                                "Cannot write the practice report %1: %2"))
        .arg(target, page.errorString());
}

std::optional<int> RunRecordCommand(const QStringList& arguments) {
    return RunRecordCommand(arguments, {}, isatty(STDIN_FILENO) == 1);
}

std::optional<int> RunRecordCommand(const QStringList& arguments, const QString& recordPath,
                                    bool ask) {
    if (arguments.size() < 2 || (arguments[1] != u"--report" && arguments[1] != u"--forget"))
        return std::nullopt;
    const bool report = arguments[1] == u"--report";
    if (arguments.size() != (report ? 3 : 2)) {
        Print(stderr, Tr(QT_TRANSLATE_NOOP("tavrin::RecordCommands",
                                           "Usage: tavrin --report FILE.html | tavrin --report - | "
                                           "tavrin --forget\n")));
        return 2;
    }
    // Qt loads its SQLite driver through the application object; the commands
    // run before any window exists, so a plain one is made here.
    int argc = 1;
    char name[] = "tavrin";
    char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance()) app.emplace(argc, argv);

    const RecordStore store(recordPath.isEmpty() ? RecordStore::DefaultPath() : recordPath);
    return report ? Report(store, arguments[2]) : Forget(store, ask);
}

}  // namespace tavrin
