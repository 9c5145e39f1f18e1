// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/practice_recorder.h"

#include <cstdio>

#include "record/marked_set.h"
#include "record/record_store.h"

namespace tavrin {

void PracticeRecorder::SetMarked(SessionState& session) const {
    if (!session.setFinished || session.choice.recorded || session.store.RowCount() == 0) return;
    // Marked once, whatever happens next: a record that failed once would
    // most likely fail again, and each retry would cost the child a wait.
    session.choice.recorded = true;
    const RecordStore store(path_.isEmpty() ? RecordStore::DefaultPath() : path_);
    const auto outcome = store.Append(MakeMarkedSet(session, QDateTime::currentDateTime()));
    if (outcome.warning.isEmpty()) return;
    std::fprintf(stderr, "tavrin: practice record%s: %s\n", outcome.stored ? "" : " not saved",
                 outcome.warning.toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace tavrin
