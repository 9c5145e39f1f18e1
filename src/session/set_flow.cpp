// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/set_flow.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "sound/clip_player.h"
#include "sound/clip_table.h"

namespace tavrin {

namespace {
void Play(ClipPlayer& player, const Clip& clip) { player.PlayClip(clip.from, clip.to); }
const QString kNoSetYet = QStringLiteral("你还没有出题呢！");
}  // namespace

std::int64_t SetFlow::MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SetFlow::Reset() {
    const ScoreLine initial = InitialScoreLine();
    std::copy_n(initial.begin(), 7, session_.scoreLine.begin());
    for (std::size_t i = 7; i <= 12; ++i) session_.scoreLine[i].clear();
    session_.setFinished = false;
}

void SetFlow::Clear() {
    session_.store.Clear();
    session_.setFinished = false;
}

void SetFlow::Start(QuestionStore questions, SetChoice choice) {
    session_.store = std::move(questions);
    session_.choice = std::move(choice);
    session_.setFinished = false;
    ShowQuestion(0);
    session_.questionIndex = 0;
}

void SetFlow::ShowQuestion(std::int16_t row) {
    session_.store.ShowQuestion(row, view_);
    shownAt_ = clock_();
}

void SetFlow::Confirm(const QString& answer) {
    auto& s = session_;
    if (s.store.RowCount() == 0) {
        view_.ShowFlowMessage(kNoSetYet);
        return;
    }
    if (view_.SoundEffectsOn()) Play(view_.player(), clips::ClipClick);
    if (s.setFinished) return;
    s.store.SetAnswer(s.questionIndex, answer);
    const std::int64_t took = clock_() - shownAt_;
    s.store.SetAnswerMs(s.questionIndex, static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                             took, 0, std::numeric_limits<std::int32_t>::max())));
    if (s.questionIndex < s.store.RowCount() - 1) {
        ++s.questionIndex;
        ShowQuestion(s.questionIndex);
        return;
    }
    view_.SetConfirmEnabled(false);
    if (view_.VoicePromptsOn()) Play(view_.player(), clips::ClipSetDone);
    view_.ShowFlowMessage(QStringLiteral("你的题目做完了，看看你得了多少分"));
    s.setFinished = true;
    QuestionStore::ClearQuestion(view_);
}

SetFlow::Marking SetFlow::Mark() {
    auto& s = session_;
    if (s.store.RowCount() == 0) {
        view_.ShowFlowMessage(kNoSetYet);
        return Marking::NoSet;
    }
    if (!s.setFinished) return Marking::NotFinished;
    if (view_.SoundEffectsOn()) Play(view_.player(), clips::ClipClick);
    const auto score = Score(CountCorrect(s.store), s.store.RowCount());
    s.scoreLine[kScoreTextCell] = QString::number(score);
    if (recordMarkedSet) recordMarkedSet(s);
    return Marking::Marked;
}

bool SetFlow::MarqueeTick() {
    if (!marquee_.Tick(session_.scoreLine)) return false;
    std::array<QString, ScoreMarquee::kLabels> cells;
    std::copy_n(marquee_.marqueeCells.begin(), cells.size(), cells.begin());
    view_.ShowMarqueeCells(cells);
    return true;
}

bool SetFlow::AnnouncementTick() {
    return announcement_.Tick(session_.scoreLine[kScoreTextCell], view_.player());
}

}  // namespace tavrin
