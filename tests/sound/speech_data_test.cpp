// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the committed speech file itself: the player can only be as right as
// the sounds at the clip table's positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/clip_mixer.h"
#include "sound/clip_table.h"
#include "sound/speech_file.h"

namespace tavrin {
namespace {

const std::string kSpeechFile = std::string(TAVRIN_SOURCE_DIR) + "/data/eye/s";

// -30 dBFS over the whole slot: every clip is plainly heard.
constexpr double kLoudRms = 32768 * 0.0316;
// -60 dBFS: what counts as silence in gaps and at the edges of slots.
constexpr int kSilentPeak = 33;
// Silence kept inside the edges of every slot, so touching clips never bleed
// into one another whatever rounding a player uses.
constexpr std::int32_t kEdgeMs = 3;

class SpeechData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        auto decoded = DecodeSpeechFile(kSpeechFile, &error);
        ASSERT_TRUE(decoded) << error;
        speech_ = new SpeechFile(std::move(*decoded));
    }
    static void TearDownTestSuite() { delete speech_; }

    static int PeakIn(std::int64_t begin, std::int64_t end) {
        int peak = 0;
        for (auto i = begin; i < end; ++i)
            peak = std::max(peak, std::abs(int{speech_->samples[i]}));
        return peak;
    }
    static std::int64_t At(std::int32_t ms) { return FrameAt(ms, speech_->rate); }

    static inline SpeechFile* speech_ = nullptr;
};

TEST_F(SpeechData, IsMonoSixteenBitPcmWaveLongEnough) {
    std::ifstream in(kSpeechFile, std::ios::binary);
    std::vector<char> head(44);
    in.read(head.data(), 44);
    ASSERT_EQ(std::string(head.data(), 4), "RIFF");
    ASSERT_EQ(std::string(head.data() + 8, 8), "WAVEfmt ");
    auto u16 = [&](int at) { return std::uint8_t(head[at]) | std::uint8_t(head[at + 1]) << 8; };
    EXPECT_EQ(u16(20), 1);   // PCM
    EXPECT_EQ(u16(22), 1);   // mono
    EXPECT_EQ(u16(34), 16);  // bits a sample
    EXPECT_GE(speech_->rate, 22050);
    EXPECT_GE(speech_->LengthMs(), kSpeechFileMinimumMs);
    // Held for the whole session: decoding leaves no spare room behind.
    EXPECT_EQ(speech_->samples.capacity(), speech_->samples.size());
}

TEST_F(SpeechData, EverySlotHoldsSoundThatStaysInside) {
    for (const Clip& clip : ClipTable) {
        const auto begin = At(clip.from), end = At(clip.to);
        double sum = 0;
        for (auto i = begin; i < end; ++i) sum += double(speech_->samples[i]) * speech_->samples[i];
        EXPECT_GT(std::sqrt(sum / double(end - begin)), kLoudRms) << clip.name;
        EXPECT_LE(PeakIn(begin, At(clip.from + kEdgeMs)), kSilentPeak) << clip.name << " start";
        EXPECT_LE(PeakIn(At(clip.to - kEdgeMs), end), kSilentPeak) << clip.name << " end";
    }
}

TEST_F(SpeechData, GapsBetweenSlotsAreSilent) {
    std::int64_t after = 0;
    for (const Clip& clip : ClipTable) {
        EXPECT_LE(PeakIn(after, At(clip.from)), kSilentPeak) << "before " << clip.name;
        after = At(clip.to);
    }
    EXPECT_LE(PeakIn(after, static_cast<std::int64_t>(speech_->samples.size())), kSilentPeak);
}

}  // namespace
}  // namespace tavrin
