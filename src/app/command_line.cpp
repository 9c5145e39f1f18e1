// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <string_view>

namespace tavrin {

namespace {

constexpr int kUsageError = 2;

constexpr std::string_view kHelp =
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
    "See tavrin(6).\n";

bool IsKnown(std::string_view option) {
    return option == "--help" || option == "-h" || option == "--version";
}

int UsageError(std::ostream& err, std::string_view what, std::string_view argument) {
    err << "tavrin: " << what << " '" << argument << "'\n"
        << "Try 'tavrin --help' for more information.\n";
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
        return UsageError(err, option.starts_with('-') ? "unknown option" : "unexpected argument",
                          option);
    if (argc > 2) return UsageError(err, "unexpected argument", argv[2]);
    if (option == "--version")
        out << "tavrin " TAVRIN_VERSION "\n";
    else
        out << kHelp;
    return 0;
}

}  // namespace tavrin
