// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <optional>

namespace tavrin {

// The parent's commands, which need no display:
//   --report FILE.html  writes the report page
//   --report -          prints the same figures as plain-text tables
//   --forget            lists the record's files and deletes them; asks first
//                       when standard input is a terminal
// Returns the exit status when the arguments (program name first) are one of
// these, nothing otherwise.
std::optional<int> RunRecordCommand(const QStringList& arguments);

// Writes the report page of a record to `target`, replacing it in one step.
// Returns an empty text, or for the parent why it could not. Needs the
// application object, for Qt's SQLite driver.
QString WriteReportPage(const QString& recordPath, const QString& target);

// The same on a given record file; asks before deleting only when ask is set.
std::optional<int> RunRecordCommand(const QStringList& arguments, const QString& recordPath,
                                    bool ask);

}  // namespace tavrin
