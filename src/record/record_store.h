// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "record/marked_set.h"
#include "record/review.h"

namespace tavrin {

// The practice record: an SQLite file, one transaction per marked set.
//
//   schema_version(version)                       one row, the schema's version
//   practice_set(id, marked_at, operations, range, question_count, correct_count, score, kind)
//   question(set_id, position, first, sign, second, result, answer, right, answer_ms)
//
// Each call opens the file and closes it again, so nothing stays locked
// between sets and a file replaced meanwhile is seen at once.
class RecordStore {
public:
    static constexpr int kSchemaVersion = 3;
    // How long a write waits for another program holding the file; a set is
    // marked on the GUI thread, which must not stall.
    static constexpr int kBusyTimeoutMs = 50;

    // $XDG_DATA_HOME/tavrin/record.sqlite, ~/.local/share/tavrin/record.sqlite by default.
    static QString DefaultPath();

    explicit RecordStore(QString path = DefaultPath());

    struct Outcome {
        bool stored = false;
        QString warning;  // one line for stderr when something went wrong; empty when all went well
    };
    // Creates the folder and the file with the first set. A damaged file is
    // moved aside, never written, and a new record begun in its place.
    Outcome Append(const MarkedSet& set) const;

    struct Loaded {
        std::vector<MarkedSet> sets;  // in the order they were marked
        QString error;                // for the parent, when the record cannot be read
    };
    // Never creates the record; a missing one is an empty record.
    Loaded LoadAll() const;

    struct LatestAnswers {
        std::vector<FactHistory> facts;
        QString error;
    };
    // Each fact's last three answers, oldest first: all the due rule looks at, kept
    // fact by fact as sets are stored, so reading them never goes through the whole record.
    LatestAnswers LoadLatestAnswers() const;

    // The files that make up the record and that --forget deletes: the record,
    // its write-ahead log and shared memory, and damaged copies kept aside.
    QStringList Files() const;

    const QString& path() const { return path_; }

private:
    QString path_;
};

}  // namespace tavrin
