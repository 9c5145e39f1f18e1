// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <QCoreApplication>
#include <QString>
#include <string_view>

namespace tavrin {

namespace {

constexpr int kUsageError = 2;

// The texts are written in English and translated like the rest of the program's texts
// (shell/tavrin_zh.ts); without an installed translation they print as written.
constexpr char kContext[] = "tavrin::CommandLine";

constexpr char kHelp[] = QT_TRANSLATE_NOOP(
    "tavrin::CommandLine",
    "Usage: tavrin [OPTION]\n"
    "Arithmetic practice for young children, in Simplified Chinese.\n"
    "Without an option the face opens; right-click it for the menu.\n"
    "\n"
    "  -h, --help            show this help and exit\n"
    "      --version         show the version and exit\n"
    "      --report FILE     write the practice report for parents as one HTML page\n"
    "      --report -        print the same figures as plain-text tables\n"
    "      --forget          delete the practice record (asks first on a terminal)\n"
    "      --show-report     open the report page in the web browser\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/tavrin/Qbx_R (default ~/.config/tavrin/Qbx_R).\n"
    "See tavrin(6).\n");

std::string Text(const char* source) {
    return QCoreApplication::translate(kContext, source).toStdString();
}

bool IsKnown(std::string_view option) {
    return option == "--help" || option == "-h" || option == "--version";
}

int UsageError(std::ostream& err, const char* what, std::string_view argument) {
    err << QCoreApplication::translate(kContext, what)
               .arg(QString::fromUtf8(argument.data(), static_cast<qsizetype>(argument.size())))
               .toStdString()
        << '\n'
        << Text(QT_TRANSLATE_NOOP("tavrin::CommandLine",
                                  "Try 'tavrin --help' for more information."))
        << '\n';
    return kUsageError;
}

}  // namespace

std::optional<int> HandleCommandLine(int argc, const char* const argv[], std::ostream& out,
                                     std::ostream& err) {
    if (argc <= 1) return std::nullopt;
    const std::string_view option = argv[1];
    // Each option ends the program without opening the face. The record's own
    // commands (--report, --forget) are read before this, by RunRecordCommand.
    if (!IsKnown(option))
        return UsageError(
            err,
            option.starts_with('-')
                ? QT_TRANSLATE_NOOP("tavrin::CommandLine", "tavrin: unknown option '%1'")
                : QT_TRANSLATE_NOOP("tavrin::CommandLine", "tavrin: unexpected argument '%1'"),
            option);
    if (argc > 2)
        return UsageError(
            err, QT_TRANSLATE_NOOP("tavrin::CommandLine", "tavrin: unexpected argument '%1'"),
            argv[2]);
    if (option == "--version")
        out << "tavrin " TAVRIN_VERSION "\n";
    else
        out << Text(kHelp);
    return 0;
}

}  // namespace tavrin
