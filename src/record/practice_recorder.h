// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "session/question_store.h"

namespace tavrin {

// Keeps each marked set in the practice record, once. It stays out of the
// child's way: whatever goes wrong costs one line on stderr and the drill goes on.
class PracticeRecorder {
public:
    // An empty path stands for the default, looked up only when a set is
    // first stored, so start-up touches nothing.
    explicit PracticeRecorder(QString path = {}) : path_(std::move(path)) {}

    // Stores a finished set the first time it is marked; later calls for the
    // same set, and sets that failed to store, add nothing.
    void SetMarked(SessionState& session) const;
    void operator()(SessionState& session) const { SetMarked(session); }

private:
    QString path_;
};

}  // namespace tavrin
