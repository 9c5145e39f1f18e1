// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/set_flow.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "clip_recorder.h"
#include "record/marked_set.h"

namespace tavrin {
namespace {

using testing::ClipRecorder;

// Records what the flow asks of the face instead of showing it.
class RecordingView : public SetFlowView {
public:
    void SetQuestionTexts(const QString& first, const QString& sign,
                          const QString& second) override {
        shown = first + sign + second;
    }
    bool VoicePromptsOn() const override { return voice; }
    bool SoundEffectsOn() const override { return effects; }
    ClipPlayer& player() override { return recorder; }
    void ShowFlowMessage(const QString& text) override { messages << text; }
    void SetConfirmEnabled(bool enabled) override { confirmEnabled = enabled; }
    void ShowMarqueeCells(const std::array<QString, ScoreMarquee::kLabels>& cells) override {
        marquee = cells[0];
    }

    bool voice = true, effects = true, confirmEnabled = true;
    QString shown, marquee;
    QStringList messages;
    ClipRecorder recorder;
};

QuestionStore ThreeSums() {
    QuestionStore store;
    store.AppendRow(" 3", "＋", " 4", "7");
    store.AppendRow(" 9", "×", " 9", "81");
    store.AppendRow(" 8", "－", " 5", "3");
    return store;
}

// Each answer is timed from its question's showing to 确定 on the injected clock,
// whatever the child does in between; a finished set's further 确定 adds nothing.
TEST(SetFlow, TimesEachAnswerFromItsQuestionToConfirm) {
    RecordingView view;
    std::int64_t now = 1'000'000;
    SetFlow flow(view, [&now] { return now; });
    std::vector<SessionState> recorded;
    flow.recordMarkedSet = [&](SessionState& s) { recorded.push_back(s); };
    flow.Reset();

    EXPECT_EQ(flow.Mark(), SetFlow::Marking::NoSet);
    flow.Start(ThreeSums(), {QStringLiteral("1011"), 10, 3, false, QStringLiteral("review")});
    EXPECT_EQ(view.shown, " 3＋ 4");
    now += 2'400;
    flow.Confirm(QStringLiteral("7"));
    EXPECT_EQ(view.shown, " 9× 9");
    EXPECT_EQ(flow.Mark(), SetFlow::Marking::NotFinished);
    now += 9'100;
    flow.Confirm(QStringLiteral("72"));
    now += 0;
    flow.Confirm(QStringLiteral("3"));
    EXPECT_FALSE(view.confirmEnabled);
    EXPECT_EQ(view.shown, "");
    now += 5'000;
    flow.Confirm(QStringLiteral("99"));

    const QuestionStore& store = flow.session().store;
    EXPECT_EQ(store.AnswerMs(0), 2'400);
    EXPECT_EQ(store.AnswerMs(1), 9'100);
    EXPECT_EQ(store.AnswerMs(2), 0);
    EXPECT_EQ(store.Cell(5, 2), "3") << "the late 确定 changed an answer";

    EXPECT_EQ(flow.Mark(), SetFlow::Marking::Marked);
    EXPECT_EQ(flow.session().scoreLine[kScoreTextCell], "66");
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].choice.kind, "review");
    // What the record keeps of it: the kind and each answer's time.
    const MarkedSet kept = MakeMarkedSet(recorded[0], QDateTime());
    EXPECT_EQ(kept.kind, "review");
    ASSERT_EQ(kept.questions.size(), 3u);
    EXPECT_EQ(kept.questions[1].answerMs, 9'100);
    EXPECT_FALSE(kept.questions[1].right);
    EXPECT_EQ(view.messages, QStringList{"你还没有出题呢！"} << "你的题目做完了，看看你得了多少分");

    flow.Clear();
    EXPECT_EQ(flow.session().store.AnswerMs(0), std::nullopt);
    EXPECT_EQ(flow.Mark(), SetFlow::Marking::NoSet);
}

}  // namespace
}  // namespace tavrin
