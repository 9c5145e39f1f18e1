// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
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
// between sets and a file replaced meanwhile is seen at once. Reading opens it
// read-only and never writes, so a full disk, a read-only folder or mount
// still gives the report. The journal is SQLite's write-ahead log where the
// folder is on a local file system and the rollback journal on a network one,
// where the log's shared memory does not work across machines.
class RecordStore {
public:
    static constexpr int kSchemaVersion = 3;
    // How long a write waits for another program holding the file: longer than
    // any real writer holds it (storing 32,767 questions takes well under a
    // second). Only the recorder's own thread waits, never the face.
    static constexpr int kBusyWaitMs = 10'000;

    // $XDG_DATA_HOME/tavrin/record.sqlite, ~/.local/share/tavrin/record.sqlite by default.
    static QString DefaultPath();

    explicit RecordStore(QString path = DefaultPath());

    // How long Append waits for the write lock; `cancel`, when set, ends the wait early
    // (the program is quitting).
    void SetBusyWait(int ms, const std::atomic<bool>* cancel = nullptr) {
        busyWaitMs_ = ms;
        cancel_ = cancel;
    }

    enum class Trouble { kNone, kBusy, kNoLocks, kOther };
    struct Outcome {
        bool stored = false;
        QString warning;  // one line for stderr when something went wrong; empty when all went well
        Trouble trouble = Trouble::kNone;
    };
    // Creates the folder and the file with the first set. A damaged file is
    // moved aside, never written, and a new record begun in its place. With
    // `maybeStored`, a set the record already holds (same moment, figures and
    // answers) is not added again: a set kept aside may have been stored just
    // before the program ended.
    Outcome Append(const MarkedSet& set, bool maybeStored = false) const;

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
    // its journals and shared memory, the sets kept aside while it was busy, and
    // damaged copies kept aside.
    QStringList Files() const;

    // Where sets that could not be stored yet wait: beside the record.
    QString SpoolPath() const { return path_ + QStringLiteral("-unsaved"); }

    const QString& path() const { return path_; }

private:
    QString path_;
    int busyWaitMs_ = kBusyWaitMs;
    const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace tavrin
