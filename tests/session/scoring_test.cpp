// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/scoring.h"

#include <gtest/gtest.h>

#include "clip_recorder.h"
#include "session/typed_text.h"

namespace tavrin {
namespace {

using testing::ClipRecorder;
using Played = ClipRecorder::Played;

TEST(Marking, ComparesTrimmedTextExactly) {
    EXPECT_TRUE(IsCorrect(u" 7 ", u"7"));
    EXPECT_TRUE(IsCorrect(u"7", u"7"));
    EXPECT_TRUE(IsCorrect(u"  -3", u"-3"));
    EXPECT_FALSE(IsCorrect(u"07", u"7"));
    EXPECT_FALSE(IsCorrect(u"7.0", u"7"));
    EXPECT_FALSE(IsCorrect(u"", u"0"));
    EXPECT_FALSE(IsCorrect(u"\t7", u"7")) << "only spaces are trimmed";
    EXPECT_FALSE(IsCorrect(u"7 7", u"77"));

    QuestionStore store;
    for (const char* result : {"7", "8", "9", "10"}) store.AppendRow(" 3", "＋", " 4", result);
    store.SetAnswer(0, " 7 ");
    store.SetAnswer(1, "08");
    store.SetAnswer(2, "9");
    EXPECT_EQ(CountCorrect(store), 2);
}

TEST(Marking, ScoreTruncatesTheDoubleQuotientTimesHundred) {
    const struct {
        int correct, count, score;
    } cases[] = {{29, 100, 28}, {29, 50, 57},  {2, 3, 66}, {1, 3, 33},          {1, 20, 5},
                 {8, 10, 80},   {10, 10, 100}, {0, 7, 0},  {32767, 32767, 100}, {0, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(Score(std::int16_t(c.correct), std::int16_t(c.count)), c.score)
            << c.correct << " of " << c.count;
}

// The captions of Label7(0..6) after each tick, "" for unchanged-and-empty.
std::vector<QString> Labels(const ScoreMarquee& marquee) {
    return {marquee.marqueeCells.begin(), marquee.marqueeCells.begin() + 7};
}

TEST(ScoreMarquee, RunsTheSentenceDiagonallyAndWrapsAfterFifteenTicks) {
    ScoreLine line = InitialScoreLine();
    line[kScoreTextCell] = "80";
    const std::vector<std::vector<QString>> table = {
        {"你", "", "", "", "", "", ""},
        {"的", "你", "", "", "", "", ""},
        {"得", "的", "你", "", "", "", ""},
        {"分", "得", "的", "你", "", "", ""},
        {"是", "分", "得", "的", "你", "", ""},
        {"80", "是", "分", "得", "的", "你", ""},
        {"分", "80", "是", "分", "得", "的", "你"},
        {"", "分", "80", "是", "分", "得", "的"},
        {"", "", "分", "80", "是", "分", "得"},
        {"", "", "", "分", "80", "是", "分"},
        {"", "", "", "", "分", "80", "是"},
        {"", "", "", "", "", "分", "80"},
        {"", "", "", "", "", "", "分"},
        {"", "", "", "", "", "", ""},
    };
    ScoreMarquee marquee;
    for (int cycle = 0; cycle < 2; ++cycle) {
        for (std::size_t p = 0; p < table.size(); ++p) {
            ASSERT_TRUE(marquee.Tick(line)) << "p=" << p;
            EXPECT_EQ(Labels(marquee), table[p]) << "cycle " << cycle << " p=" << p;
        }
        EXPECT_FALSE(marquee.Tick(line)) << "the fifteenth tick only wraps";
        EXPECT_EQ(marquee.marqueePos, 0);
        EXPECT_EQ(Labels(marquee), table.back());
    }
}

TEST(ScoreMarquee, ARestartCarriesOnFromWhereItStopped) {
    ScoreLine line = InitialScoreLine();
    line[kScoreTextCell] = "5";
    ScoreMarquee marquee;
    for (int i = 0; i < 4; ++i) marquee.Tick(line);
    // Stopped here (the timer is off, the labels get blanked); a later score
    // restarts it mid-cycle.
    line[kScoreTextCell] = "100";
    EXPECT_EQ(marquee.marqueePos, 4);
    marquee.Tick(line);
    EXPECT_EQ(Labels(marquee), (std::vector<QString>{"是", "分", "得", "的", "你", "", ""}));
    marquee.Tick(line);
    EXPECT_EQ(Labels(marquee)[0], "100");
    for (int i = 0; i < 8; ++i) marquee.Tick(line);
    EXPECT_EQ(marquee.marqueePos, 14);
    EXPECT_FALSE(marquee.Tick(line));
    EXPECT_EQ(marquee.marqueePos, 0);
}

// Ticks until the announcement ends, recording which clip each tick played.
std::vector<std::vector<Played>> Announce(const QString& score, int maxTicks = 10) {
    ScoreAnnouncement announcement;
    std::vector<std::vector<Played>> steps;
    for (int i = 0; i < maxTicks; ++i) {
        ClipRecorder recorder;
        const bool ended = announcement.Tick(score, recorder);
        steps.push_back(recorder.played);
        if (ended) {
            EXPECT_EQ(announcement.announceStep, 0);
            return steps;
        }
    }
    ADD_FAILURE() << "announcement of " << score.toStdString() << " never ended";
    return steps;
}

TEST(ScoreAnnouncement, SpeaksEachScoreInItsSteps) {
    const Played leadIn = ClipRecorder::Of(clips::ClipScoreLeadIn);
    const Played ten = ClipRecorder::Of(clips::ClipTen);
    const Played hundred = ClipRecorder::Of(clips::ClipHundred);
    auto digit = [](int n) { return ClipRecorder::Of(*DigitClip(std::int16_t(n))); };
    using Steps = std::vector<std::vector<Played>>;

    EXPECT_EQ(Announce("100"), (Steps{{leadIn}, {hundred}}));
    EXPECT_EQ(Announce("80"), (Steps{{leadIn}, {digit(8)}, {ten}, {}}));
    EXPECT_EQ(Announce("57"), (Steps{{leadIn}, {digit(5)}, {ten}, {digit(7)}}));
    EXPECT_EQ(Announce("10"), (Steps{{leadIn}, {digit(1)}, {ten}, {}}));
    EXPECT_EQ(Announce("5"), (Steps{{leadIn}, {}, {}, {digit(5)}}));
    EXPECT_EQ(Announce("0"), (Steps{{leadIn}, {}, {}, {}}));
}

TEST(ScoreAnnouncement, WithNoScoreYetSaysNothingAndEnds) {
    EXPECT_EQ(Announce(""), (std::vector<std::vector<Played>>{{}}));
}

TEST(ScoreAnnouncement, FollowsANewScoreMidwayAndStillEnds) {
    ClipRecorder recorder;
    ScoreAnnouncement announcement;
    EXPECT_FALSE(announcement.Tick(u"80", recorder));
    EXPECT_FALSE(announcement.Tick(u"80", recorder));
    EXPECT_FALSE(announcement.Tick(u"80", recorder));
    // The set was marked again and is now perfect: step 4 of a 100 ends it.
    EXPECT_TRUE(announcement.Tick(u"100", recorder));
    EXPECT_EQ(announcement.announceStep, 0);
    EXPECT_EQ(recorder.played.size(), 3u);
}

TEST(TypedText, FullWidthNumbersBecomeAscii) {
    const std::pair<const char16_t*, const char16_t*> rows[] = {
        {u"１０", u"10"}, {u"－３．５", u"-3.5"}, {u"＋７", u"+7"},  {u"\u3000１２\u3000", u" 12 "},
        {u"1０", u"10"},  {u"十", u"十"},         {u"ａ１", u"ａ1"}, {u"", u""},
    };
    for (auto [typed, ascii] : rows)
        EXPECT_EQ(AsciiNumberText(QString::fromUtf16(typed)), QString::fromUtf16(ascii));
}

}  // namespace
}  // namespace tavrin
