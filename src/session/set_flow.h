// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "session/question_store.h"
#include "session/scoring.h"

namespace tavrin {

class ClipPlayer;

// What a set's flow needs from whatever shows it: the question texts, the
// options, a player, modal messages and the 确定 button.
class SetFlowView : public QuestionView {
public:
    virtual bool VoicePromptsOn() const = 0;
    virtual bool SoundEffectsOn() const = 0;
    virtual ClipPlayer& player() = 0;
    virtual void ShowFlowMessage(const QString& text) = 0;
    virtual void SetConfirmEnabled(bool enabled) = 0;
    virtual void ShowMarqueeCells(const std::array<QString, ScoreMarquee::kLabels>& cells) = 0;
};

// One set from its first question to its spoken score: the same steps for a set
// made in the dialog and for a review set, so neither can drift from the other.
class SetFlow {
public:
    // Milliseconds on a clock that never goes back: answer times must not jump
    // when the desktop's clock is set.
    using Clock = std::function<std::int64_t()>;
    static std::int64_t MonotonicMs();

    explicit SetFlow(SetFlowView& view, Clock clock = MonotonicMs)
        : view_(view), clock_(std::move(clock)) {}

    // Called each time a finished set is marked; the practice record keeps it once.
    std::function<void(SessionState&)> recordMarkedSet;

    // The score line as it stands at start-up, before any set.
    void Reset();
    // 出题: the old set goes and nothing is on show until a new one starts.
    void Clear();
    // A new set takes the place of the old one, its first question on show.
    void Start(QuestionStore questions, SetChoice choice);
    void ShowQuestion(std::int16_t row);

    // 确定 with the text in the answer box.
    void Confirm(const QString& answer);

    enum class Marking { NoSet, NotFinished, Marked };
    // 得分: marks a finished set; the caller starts the marquee on Marked and
    // the spoken score on anything but NoSet.
    Marking Mark();

    // One marquee step; false when the labels keep what they show.
    bool MarqueeTick();
    // One step of the spoken score; true when it has ended.
    bool AnnouncementTick();

    SessionState& session() { return session_; }
    const ScoreMarquee& marquee() const { return marquee_; }
    const ScoreAnnouncement& announcement() const { return announcement_; }

private:
    SetFlowView& view_;
    Clock clock_;
    std::int64_t shownAt_ = 0;  // when the question on show appeared
    SessionState session_;
    ScoreMarquee marquee_;
    ScoreAnnouncement announcement_;
};

}  // namespace tavrin
