// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "record/marked_set.h"
#include "session/question_store.h"

namespace tavrin {

// Keeps each marked set in the practice record, once. It stays out of the
// child's way: the set is taken on the GUI thread and stored on a thread of the
// recorder's own, so a busy record never stalls the face; whatever goes wrong
// costs one line on stderr and the drill goes on.
//
// Each set first goes into a small spool file of its own beside the record
// ("<record>-unsaved-<pid>-<n>"), written as it is marked, and the file goes once
// the set is stored; so a set is kept even when the program is killed while
// storing it. A set that cannot be stored yet (the record busy, read-only or
// without locks) waits there and is stored as soon as it can be: with the next
// set, on a retry later in the run, or by the next program, which takes over the
// spool files of programs that have ended.
class PracticeRecorder {
public:
    struct Options {
        int busyWaitMs = 10'000;  // how long a write waits for the record's lock
        int retryMs = 60'000;     // how long a set that could not be stored waits to be tried again
    };

    // An empty path stands for the record's own place. Sets left in the spool
    // by an earlier run are stored at once, on the recorder's thread.
    explicit PracticeRecorder(QString path = {});
    PracticeRecorder(QString path, Options options);

    // Stores a finished set the first time it is marked; later calls for the
    // same set add nothing. Returns at once.
    void SetMarked(SessionState& session) const;
    void operator()(SessionState& session) const { SetMarked(session); }

    // Sets marked (or found in the spool) and not yet in the record.
    int Unstored() const;
    // Whether the recorder's thread has dealt with every set handed to it so far
    // (stored, or kept for a later try) and is waiting.
    bool Idle() const;

    // Copies share one thread; the last one to go stops it, once every set it
    // holds is in a spool file (or, where even that fails, said on stderr).
    class Worker;

private:
    std::shared_ptr<Worker> worker_;
};

// A spool file's text: sets waiting to be stored (one in each file the recorder
// writes), with all that the record keeps of them. Versioned, so a later program
// still reads an older spool.
QByteArray SpoolText(const std::vector<MarkedSet>& sets);
// Nothing when the text is not a spool this program can read.
std::optional<std::vector<MarkedSet>> ReadSpoolText(const QByteArray& text);

}  // namespace tavrin
