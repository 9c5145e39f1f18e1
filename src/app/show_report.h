// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace tavrin {

// What --show-report works on; tests replace each part.
struct ShowReportParts {
    QString recordPath;  // empty: the record's own place
    QString pagePath;    // empty: DefaultReportPagePath()
    // Hands the page to the desktop's browser; false when none could be started.
    std::function<bool(const QUrl&)> openUrl;
};

// $XDG_CACHE_HOME/tavrin/report.html (~/.cache/tavrin/report.html): the user's
// own, rewritten each time, so no other user can put a page there first.
QString DefaultReportPagePath();

// Writes the report page and opens it in the browser; what goes wrong is said
// in one message box. Needs a QApplication. Returns the exit status.
int ShowReport(const ShowReportParts& parts);

// Whether the arguments (program name first) are `tavrin --show-report`, with or without more.
bool AsksForShowReport(int argc, char** argv);

// `tavrin --show-report`, the desktop entry's 练习记录: the status when the
// arguments (program name first) ask for it, nothing otherwise. Makes its own
// QApplication, for the browser and the message box.
std::optional<int> RunShowReport(int& argc, char** argv);

}  // namespace tavrin
