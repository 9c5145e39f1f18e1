// SPDX-License-Identifier: GPL-3.0-or-later
// The real player through SDL's disk driver: what reaches the "device" must be
// the file's own samples for the clip, frame for frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "sound/clip_table.h"
#include "sound/sdl_clip_player.h"

namespace tavrin {
namespace {

const std::string kSpeechFile = std::string(TAVRIN_SOURCE_DIR) + "/data/eye/s";

std::vector<std::int16_t> ReadCapture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::vector<std::int16_t> WithoutLeadingSilence(const std::vector<std::int16_t>& v) {
    auto first = std::find_if(v.begin(), v.end(), [](std::int16_t s) { return s != 0; });
    return {first, v.end()};
}

// Plays clips and waits until the mixer has finished them and the device has
// taken a few more buffers, then closes the player so the capture is complete.
// SDL reads these when the player opens the device; a capture file of its own per
// test lets CTest run the tests side by side.
std::string CaptureToFile() {
    const std::string capture = std::string(TAVRIN_BINARY_DIR) + "/sound_capture_" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                ".raw";
    std::filesystem::remove(capture);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    return capture;
}

template <typename Condition>
bool WaitFor(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

std::vector<std::int16_t> PlayAndCapture(const std::vector<Clip>& clips,
                                         std::vector<std::int16_t>* file) {
    const std::string capture = CaptureToFile();
    SdlClipPlayer player(kSpeechFile);
    EXPECT_TRUE(player.IsLive()) << player.Fault();
    if (!player.IsLive()) return {};
    *file = player.Mixer()->Speech().samples;
    for (const Clip& clip : clips) player.PlayClip(clip.from, clip.to);
    const auto period =
        std::chrono::milliseconds(1 + 1000 * player.DevicePeriodFrames() / player.Mixer()->Rate());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((player.Mixer()->ClipsStarted() < clips.size() || !player.Mixer()->Idle()) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(period);
    }
    std::this_thread::sleep_for(3 * period);
    player.Close();
    return ReadCapture(capture);
}

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& file, const Clip& clip) {
    const auto s = SliceClip(clip.from, clip.to, 22050, static_cast<std::int64_t>(file.size()));
    return {file.begin() + s.begin, file.begin() + s.end};
}

TEST(SdlEndToEnd, TheDeviceReceivesTheClipsSamplesExactly) {
    std::vector<std::int16_t> file;
    const auto captured = WithoutLeadingSilence(PlayAndCapture({clips::ClipDigit3}, &file));
    const auto want = WithoutLeadingSilence(Slice(file, clips::ClipDigit3));
    ASSERT_GE(captured.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), captured.begin()));
    // After the clip, nothing but silence: not a frame of its neighbour.
    EXPECT_TRUE(std::all_of(captured.begin() + static_cast<std::ptrdiff_t>(want.size()),
                            captured.end(), [](std::int16_t s) { return s == 0; }));
}

TEST(SdlEndToEnd, SpokenStepsArriveWholeAndInOrder) {
    std::vector<std::int16_t> file;
    const std::vector<Clip> steps{clips::ClipScoreLeadIn, clips::ClipDigit8, clips::ClipTen};
    const auto captured = WithoutLeadingSilence(PlayAndCapture(steps, &file));
    std::vector<std::int16_t> want;
    for (const Clip& clip : steps) {
        const auto slice = Slice(file, clip);
        want.insert(want.end(), slice.begin(), slice.end());
    }
    want = WithoutLeadingSilence(want);
    ASSERT_GE(captured.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), captured.begin()));
}

TEST(SdlEndToEnd, TheDeviceRestsWhenQuietAndWakesForTheWholeNextClipOrAPress) {
    const std::string capture = CaptureToFile();
    SdlClipPlayer player(kSpeechFile, 50);
    ASSERT_TRUE(player.IsLive()) << player.Fault();
    player.PlayClip(clips::ClipClick.from, clips::ClipClick.to);
    EXPECT_FALSE(player.IsResting());
    ASSERT_TRUE(WaitFor([&] { return player.IsResting(); }));

    // Whether opening the disk device again starts its file afresh differs between SDL
    // releases (2.32 keeps what came before): the wake's clip must be in it whole.
    player.PlayClip(clips::ClipDigit3.from, clips::ClipDigit3.to);
    EXPECT_FALSE(player.IsResting());
    ASSERT_TRUE(WaitFor([&] { return player.Mixer()->ClipsStarted() == 2 && player.IsResting(); }));
    const auto file = player.Mixer()->Speech().samples;
    const auto want = WithoutLeadingSilence(Slice(file, clips::ClipDigit3));
    const auto captured = ReadCapture(capture);
    ASSERT_FALSE(want.empty());
    EXPECT_NE(std::search(captured.begin(), captured.end(), want.begin(), want.end()),
              captured.end());

    // A press before its click opens the resting device with no clip, and the quiet lets
    // it rest again; a second press while it is open opens nothing more.
    const int openings = player.Openings();
    player.Prepare();
    player.Prepare();
    ASSERT_TRUE(WaitFor([&] { return player.Openings() == openings + 1; }));
    ASSERT_TRUE(WaitFor([&] { return player.IsResting(); }));
    EXPECT_EQ(player.Openings(), openings + 1);
    EXPECT_EQ(player.Mixer()->ClipsStarted(), 2);
}

// A child thinking a question over for a few seconds keeps the device open; ten seconds of
// silence let it rest. The disk device runs a little fast (it sleeps whole milliseconds
// per period) and slow on a busy machine, hence the margins.
TEST(SdlEndToEnd, TheDeviceRestsAfterTenSecondsOfSilenceAndNotBefore) {
    CaptureToFile();
    SdlClipPlayer player(kSpeechFile);
    ASSERT_TRUE(player.IsLive()) << player.Fault();
    player.PlayClip(clips::ClipClick.from, clips::ClipClick.to);
    ASSERT_TRUE(
        WaitFor([&] { return player.Mixer()->ClipsStarted() == 1 && player.Mixer()->Idle(); }));
    const auto quiet = std::chrono::steady_clock::now();
    while (!player.IsResting() &&
           std::chrono::steady_clock::now() - quiet < std::chrono::seconds(14))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto rested = std::chrono::steady_clock::now() - quiet;
    EXPECT_GE(rested, std::chrono::seconds(9));
    EXPECT_LE(rested, std::chrono::seconds(13));
}

}  // namespace
}  // namespace tavrin
