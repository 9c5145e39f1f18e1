// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/clip_mixer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <vector>

#include "session/scoring.h"
#include "sound/clip_player.h"
#include "sound/clip_table.h"

namespace tavrin {
namespace {

using ::testing::ElementsAre;

// A file in which every frame says where it is, so any slip of a frame shows.
SpeechFile NumberedFile(int rate, std::int32_t ms) {
    SpeechFile file;
    file.rate = rate;
    file.samples.resize(static_cast<std::size_t>(FrameAt(ms, rate)));
    for (std::size_t i = 0; i < file.samples.size(); ++i) {
        file.samples[i] = static_cast<std::int16_t>(i % 30011 + 1);
    }
    return file;
}

std::vector<std::int16_t> MixFrames(ClipMixer& mixer, int frames, int period = 300) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    for (int at = 0; at < frames; at += period)
        mixer.Mix(out.data() + at, std::min(period, frames - at));
    return out;
}

std::vector<std::int16_t> FileSlice(const SpeechFile& file, const Clip& clip) {
    const auto slice =
        SliceClip(clip.from, clip.to, file.rate, static_cast<std::int64_t>(file.samples.size()));
    return {file.samples.begin() + slice.begin, file.samples.begin() + slice.end};
}

std::vector<std::int16_t> Concat(std::vector<std::int16_t> a, const std::vector<std::int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(SliceClip, MillisecondsFloorToFramesAtEveryRate) {
    struct Case {
        int rate;
        std::int64_t at2075, at10471, at13709;
    };
    for (const Case c : {Case{8000, 16600, 83768, 109672}, Case{22050, 45753, 230885, 302283},
                         Case{44100, 91507, 461771, 604566}, Case{48000, 99600, 502608, 658032}}) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(FrameAt(2075, c.rate), c.at2075);
        EXPECT_EQ(FrameAt(10471, c.rate), c.at10471);
        EXPECT_EQ(FrameAt(13709, c.rate), c.at13709);
        const std::int64_t frames = FrameAt(14000, c.rate);
        for (const Clip& clip : ClipTable) {
            const auto slice = SliceClip(clip.from, clip.to, c.rate, frames);
            EXPECT_EQ(slice.begin, FrameAt(clip.from, c.rate)) << clip.name;
            EXPECT_EQ(slice.end, FrameAt(clip.to, c.rate)) << clip.name;
            EXPECT_FALSE(slice.clamped) << clip.name;
            // The slice is the clip's length to within one frame.
            EXPECT_NEAR(static_cast<double>(slice.Frames()),
                        (clip.to - clip.from) * static_cast<double>(c.rate) / 1000, 1.0);
        }
    }
}

TEST(SliceClip, ClampsToTheFileAndRefusesEmptyClips) {
    const std::int64_t frames = 8000;  // one second at 8000 Hz
    auto s = SliceClip(900, 1200, 8000, frames);
    EXPECT_EQ(s.begin, 7200);
    EXPECT_EQ(s.end, 8000);
    EXPECT_TRUE(s.clamped);
    s = SliceClip(-100, 50, 8000, frames);
    EXPECT_EQ(s.begin, 0);
    EXPECT_EQ(s.end, 400);
    EXPECT_TRUE(s.clamped);
    EXPECT_TRUE(SliceClip(1000, 1100, 8000, frames).Empty());  // starts at the end
    EXPECT_TRUE(SliceClip(500, 400, 8000, frames).Empty());    // from after to
    EXPECT_TRUE(SliceClip(500, 500, 8000, frames).Empty());
    EXPECT_TRUE(SliceClip(-50, -10, 8000, frames).Empty());
    EXPECT_TRUE(SliceClip(0, 10, 8000, 0).Empty());
    s = SliceClip(INT_MIN, INT_MAX, 384000, frames);  // no overflow at the extremes
    EXPECT_EQ(s.begin, 0);
    EXPECT_EQ(s.end, frames);
}

TEST(ClipMixer, TouchingClipsEachPlayWholeFromTheirOwnStart) {
    const std::pair<Clip, Clip> pairs[] = {{clips::ClipClick, clips::ClipCancel},
                                           {clips::ClipDigit5, clips::ClipDigit6},
                                           {clips::ClipDigit9, clips::ClipTen}};
    for (int rate : {8000, 22050, 44100, 48000}) {
        const SpeechFile file = NumberedFile(rate, 14000);
        for (const auto& [first, second] : pairs) {
            SCOPED_TRACE(std::string(first.name) + " " + std::to_string(rate));
            for (const Clip& clip : {first, second}) {
                ClipMixer mixer(file);
                mixer.Play(clip.from, clip.to);
                const auto want = FileSlice(file, clip);
                const auto got = MixFrames(mixer, static_cast<int>(want.size()) + 50);
                EXPECT_EQ(std::vector(got.begin(), got.begin() + want.size()), want);
                EXPECT_EQ(got[want.size()], 0) << "played into its neighbour";
            }
            // Back to back, the shared boundary frame is heard exactly once.
            EXPECT_EQ(FileSlice(file, first).back() + 1, FileSlice(file, second).front());
        }
    }
}

class RecordingPlayer : public ClipPlayer {
public:
    void PlayClip(std::int32_t from, std::int32_t to) override { played.emplace_back(from, to); }
    std::vector<std::pair<std::int32_t, std::int32_t>> played;
};

TEST(PlayDigit, PlaysOneToNineAndNothingElse) {
    RecordingPlayer player;
    for (std::int16_t n : {0, 10, -1, 11, 32767, -32768}) player.PlayDigit(n);
    EXPECT_TRUE(player.played.empty());
    for (std::int16_t n = 1; n <= 9; ++n) player.PlayDigit(n);
    EXPECT_THAT(
        player.played,
        ElementsAre(std::pair(8354, 8667), std::pair(8760, 9113), std::pair(9165, 9711),
                    std::pair(9810, 10140), std::pair(10158, 10471), std::pair(10471, 10804),
                    std::pair(10808, 11220), std::pair(11276, 11634), std::pair(11719, 12128)));
}

TEST(ClipMixer, AClickDuringSpeechIsHeardAtOnceAndTheSpeechGoesOn) {
    const SpeechFile file = NumberedFile(8000, 14000);
    ClipMixer mixer(file);
    const Clip lead = clips::ClipScoreLeadIn, click = clips::ClipClick;
    mixer.Play(lead.from, lead.to);
    const auto before = MixFrames(mixer, 1000);
    mixer.Play(click.from, click.to);
    const auto during = MixFrames(mixer, 2000);

    const auto speech = FileSlice(file, lead), tick = FileSlice(file, click);
    for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(before[i], speech[i]);
    for (std::size_t i = 0; i < during.size(); ++i) {
        const int speaking = 1000 + i < speech.size() ? speech[1000 + i] : 0;
        const int clicking = i < tick.size() ? tick[i] : 0;
        ASSERT_EQ(during[i], std::min(32767, speaking + clicking)) << i;
    }
}

TEST(ClipMixer, SpokenStepsFollowEachOtherWithoutCuttingOff) {
    // The spoken score asks for its next step every second, while the lead-in
    // lasts 1487 ms: the digit must wait, then follow at once.
    const SpeechFile file = NumberedFile(22050, 14000);
    ClipMixer mixer(file);
    const Clip lead = clips::ClipScoreLeadIn, eight = clips::ClipDigit8, ten = clips::ClipTen;
    mixer.Play(lead.from, lead.to);
    auto got = MixFrames(mixer, 22050, 512);  // one second of the lead-in
    mixer.Play(eight.from, eight.to);
    got = Concat(got, MixFrames(mixer, 22050, 512));
    mixer.Play(ten.from, ten.to);
    got = Concat(got, MixFrames(mixer, 22050, 512));

    // The digit follows the lead-in's last frame; the word for ten, asked for
    // after both have ended, starts with the buffer after its request.
    auto want = Concat(FileSlice(file, lead), FileSlice(file, eight));
    want.resize(2 * 22050, 0);
    want = Concat(want, FileSlice(file, ten));
    want.resize(got.size(), 0);
    EXPECT_EQ(got, want);
    EXPECT_TRUE(mixer.Idle());
    EXPECT_EQ(mixer.ClipsStarted(), 3u);
}

TEST(ClipMixer, ClampsTheMixToSixteenBits) {
    SpeechFile file;
    file.rate = 8000;
    file.samples.assign(8000 * 14, 0);
    for (int i = 0; i < 100; ++i) file.samples[static_cast<std::size_t>(i)] = 30000;
    for (int i = 100; i < 200; ++i) file.samples[static_cast<std::size_t>(i)] = -30000;
    ClipMixer mixer(file);
    mixer.Play(0, 25);
    mixer.Play(0, 25);
    const auto out = MixFrames(mixer, 200);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[99], 32767);
    EXPECT_EQ(out[100], -32768);
    EXPECT_EQ(out[199], -32768);
}

TEST(ClipMixer, FloodsStayBoundedAndStopSilences) {
    const SpeechFile file = NumberedFile(8000, 14000);
    ClipMixer mixer(file);
    for (int i = 0; i < 40; ++i) {
        mixer.Play(clips::ClipStartup.from, clips::ClipStartup.to);
        const Clip& digit = i % 2 ? clips::ClipDigit1 : clips::ClipDigit2;
        mixer.Play(digit.from, digit.to);
    }
    EXPECT_TRUE(mixer.Play(20000, 21000).Empty());
    EXPECT_TRUE(mixer.Play(900, 800).Empty());
    MixFrames(mixer, 100);
    EXPECT_EQ(mixer.ClipsStarted(), 1u + ClipMixer::kMaxEffects);
    // All the queued digits play one after another; the surplus was dropped.
    const auto digit = FileSlice(file, clips::ClipDigit2).size();
    MixFrames(mixer, static_cast<int>(digit * (ClipMixer::kMaxQueuedSpeech + 2)));
    EXPECT_EQ(mixer.ClipsStarted(), ClipMixer::kMaxEffects + ClipMixer::kMaxQueuedSpeech + 0u);

    mixer.Play(clips::ClipStartup.from, clips::ClipStartup.to);
    mixer.Play(clips::ClipHundred.from, clips::ClipHundred.to);
    EXPECT_FALSE(mixer.Idle());
    mixer.Stop();
    EXPECT_TRUE(mixer.Idle());
    const auto out = MixFrames(mixer, 64);
    EXPECT_EQ(out, std::vector<std::int16_t>(64, 0));
    mixer.Mix(nullptr, 0);
    mixer.Mix(nullptr, -5);
}

// Hands what it is asked for to a mixer, as the real player does, and notes it.
class MixerPlayer : public ClipPlayer {
public:
    explicit MixerPlayer(ClipMixer& mixer) : mixer_(mixer) {}
    void PlayClip(std::int32_t from, std::int32_t to) override {
        mixer_.Play(from, to);
        asked.push_back({"", from, to, ClipOption::VoicePrompts});
    }
    std::vector<Clip> asked;

private:
    ClipMixer& mixer_;
};

// What a listener hears of a numbered file: its frames in order, silences left out.
std::vector<std::int16_t> Heard(const std::vector<std::int16_t>& out) {
    std::vector<std::int16_t> heard;
    std::copy_if(out.begin(), out.end(), std::back_inserter(heard), [](auto s) { return s != 0; });
    return heard;
}

TEST(ClipMixer, PromptsDoNotPileUpAndEveryScoreIsSpokenWhole) {
    const SpeechFile file = NumberedFile(8000, 14000);
    const Clip prompt = clips::ClipDialogPrompt;
    {
        // Five quick new-set/cancel cycles: the prompt sounding and one more waiting.
        ClipMixer mixer(file);
        for (int i = 0; i < 5; ++i) {
            mixer.Play(prompt.from, prompt.to);
            MixFrames(mixer, 800);
        }
        MixFrames(mixer, 8000 * 5);
        EXPECT_EQ(mixer.ClipsStarted(), 2u);
    }
    for (int score = 0; score <= 100; ++score) {
        SCOPED_TRACE(score);
        ClipMixer mixer(file);
        MixerPlayer player(mixer);
        // A backlog the announcement must queue behind, steps of one kind included.
        player.PlayClip(prompt.from, prompt.to);
        auto out = MixFrames(mixer, 800);
        player.PlayClip(prompt.from, prompt.to);
        player.PlayClip(prompt.from, prompt.to);
        ScoreAnnouncement announcement;
        const QString text = QString::number(score);
        const std::size_t backlog = player.asked.size();
        for (bool done = false; !done; out = Concat(out, MixFrames(mixer, 8000)))
            done = announcement.Tick(text, player);  // one tick a second
        out = Concat(out, MixFrames(mixer, 8000 * 6));

        auto want = Concat(FileSlice(file, prompt), FileSlice(file, prompt));
        for (std::size_t i = backlog; i < player.asked.size(); ++i)
            want = Concat(want, FileSlice(file, player.asked[i]));
        ASSERT_EQ(Heard(out), want);
        EXPECT_GE(player.asked.size() - backlog, score == 0 ? 1u : 2u);
    }
}

}  // namespace
}  // namespace tavrin
