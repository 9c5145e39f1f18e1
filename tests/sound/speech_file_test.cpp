// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/speech_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "sound/clip_table.h"
#include "sound/sdl_clip_player.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put(Bytes& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(tag[i]));
}

// A canonical 16-bit PCM wave; dataBytes lets a test write a header that lies.
Bytes Wave(int rate, int channels, const std::vector<std::int16_t>& samples,
           std::int64_t dataBytes = -1) {
    const auto bytes = static_cast<std::uint32_t>(dataBytes >= 0 ? dataBytes : samples.size() * 2);
    Bytes b;
    Put(b, "RIFF");
    Put(b, 36 + bytes, 4);
    Put(b, "WAVE");
    Put(b, "fmt ");
    Put(b, 16, 4);
    Put(b, 1, 2);
    Put(b, static_cast<std::uint32_t>(channels), 2);
    Put(b, static_cast<std::uint32_t>(rate), 4);
    Put(b, static_cast<std::uint32_t>(rate * channels * 2), 4);
    Put(b, static_cast<std::uint32_t>(channels * 2), 2);
    Put(b, 16, 2);
    Put(b, "data");
    Put(b, bytes, 4);
    for (auto s : samples) Put(b, static_cast<std::uint16_t>(s), 2);
    return b;
}

// A 4 x 4 picture, 24 bits a pixel, as a picture editor would save it.
Bytes Bitmap() {
    Bytes b{'B', 'M'};
    Put(b, 54 + 48, 4);
    Put(b, 0, 4);
    Put(b, 54, 4);
    Put(b, 40, 4);
    Put(b, 4, 4);
    Put(b, 4, 4);
    Put(b, 1, 2);
    Put(b, 24, 2);
    Put(b, 0, 4);
    Put(b, 48, 4);
    Put(b, 2835, 4);
    Put(b, 2835, 4);
    Put(b, 0, 4);
    Put(b, 0, 4);
    for (int i = 0; i < 16; ++i) Put(b, 0xff8040, 3);
    return b;
}

class SpeechFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(TAVRIN_BINARY_DIR) / "sound_test_files" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    // Every damaged file is called "s", like the real one.
    std::string Write(const Bytes& bytes) {
        const auto path = (dir_ / "s").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    fs::path dir_;
};

TEST_F(SpeechFileTest, DecodesByContentAndMixesChannelsDown) {
    std::vector<std::int16_t> mono{0, 1000, -1000, 32767, -32768};
    auto speech = DecodeSpeechFile(Write(Wave(8000, 1, mono)), nullptr);
    ASSERT_TRUE(speech);
    EXPECT_EQ(speech->rate, 8000);
    EXPECT_EQ(speech->samples, mono);

    speech = DecodeSpeechFile(Write(Wave(48000, 2, {100, 300, -32768, -32768})), nullptr);
    ASSERT_TRUE(speech);
    EXPECT_EQ(speech->rate, 48000);
    EXPECT_EQ(speech->samples, (std::vector<std::int16_t>{200, -32768}));
}

TEST_F(SpeechFileTest, DamagedFilesAreRefusedWithAReason) {
    std::mt19937 random(7);
    Bytes noise(5000);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
    const Bytes whole = Wave(8000, 1, std::vector<std::int16_t>(800, 5));
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"truncated header", Bytes(whole.begin(), whole.begin() + 30)},
        {"no data", Wave(8000, 1, {})},
        {"random bytes", noise},
        {"picture", Bitmap()},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(DecodeSpeechFile(Write(c.bytes), &error)) << c.what;
        EXPECT_NE(error.find(dir_.string()), std::string::npos) << c.what << ": " << error;
    }
    std::string error;
    EXPECT_FALSE(DecodeSpeechFile((dir_ / "absent").string(), &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_FALSE(DecodeSpeechFile(dir_.string(), &error));
    EXPECT_NE(error.find("not a file"), std::string::npos);
}

TEST_F(SpeechFileTest, AHeaderPromisingMoreThanThereIsYieldsWhatIsThere) {
    auto speech = DecodeSpeechFile(
        Write(Wave(8000, 1, std::vector<std::int16_t>(100, 9), 8000 * 2 * 20)), nullptr);
    ASSERT_TRUE(speech);
    EXPECT_EQ(speech->samples, std::vector<std::int16_t>(100, 9));

    // 316 bytes of FLAC whose header claims 230 million frames.
    speech = DecodeSpeechFile(
        std::string(TAVRIN_SOURCE_DIR) + "/fuzz/corpus/speech/promises_more_frames.flac", nullptr);
    ASSERT_TRUE(speech);
    EXPECT_EQ(speech->samples.size(), 600u);
    EXPECT_LT(speech->samples.capacity(), 10'000u);
}

// Runs OpenSpeechFile and returns what it printed on stderr.
std::string OpenAndCapture(const std::string& path, std::unique_ptr<ClipPlayer>* player) {
    ::testing::internal::CaptureStderr();
    *player = OpenSpeechFile(path);
    return ::testing::internal::GetCapturedStderr();
}

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

TEST_F(SpeechFileTest, UnusableFilesLeaveTheProgramSilentAfterOneWarning) {
    const Bytes header = Wave(8000, 1, {1, 2, 3});
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"truncated header", Bytes(header.begin(), header.begin() + 20)},
        {"no data", Wave(8000, 1, {})},
        {"picture", Bitmap()},
        {"shorter than its clips", Wave(8000, 1, std::vector<std::int16_t>(8000 * 13, 100))},
        {"data cut short", Wave(8000, 1, std::vector<std::int16_t>(4000, 100), 8000 * 2 * 14)},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ClipPlayer> player;
        const std::string said = OpenAndCapture(Write(c.bytes), &player);
        ASSERT_NE(player, nullptr) << c.what;
        EXPECT_EQ(dynamic_cast<SdlClipPlayer*>(player.get()), nullptr) << c.what;
        EXPECT_EQ(Lines(said), 1) << c.what << ": " << said;
        EXPECT_EQ(said.rfind("tavrin: sound is off: ", 0), 0u) << said;
        for (const Clip& clip : ClipTable) player->PlayClip(clip.from, clip.to);
        player->PlayDigit(3);
    }
    std::unique_ptr<ClipPlayer> player;
    EXPECT_EQ(Lines(OpenAndCapture((dir_ / "absent").string(), &player)), 1);
    ASSERT_NE(player, nullptr);
}

const std::string kSpeechFile = std::string(TAVRIN_SOURCE_DIR) + "/data/eye/s";

TEST(SdlClipPlayer, OpensQuietlyWithoutTakingOverSignals) {
    // SDL's dummy driver stands in for a sound card here.
    std::unique_ptr<ClipPlayer> player;
    EXPECT_EQ(OpenAndCapture(kSpeechFile, &player), "");
    auto* sdl = dynamic_cast<SdlClipPlayer*>(player.get());
    ASSERT_NE(sdl, nullptr);
    EXPECT_TRUE(sdl->IsLive());
    EXPECT_GT(sdl->DevicePeriodFrames(), 0);

    // A Qt program never reads SDL's quit events, so SIGINT and SIGTERM must still end it.
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction now {};
        sigaction(sig, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << sig;
    }
}

TEST(SdlClipPlayer, WarnsOnceAboutClipsOutsideTheFileAndPlaysOn) {
    SdlClipPlayer player(kSpeechFile);
    ASSERT_TRUE(player.IsLive()) << player.Fault();
    ::testing::internal::CaptureStderr();
    player.PlayClip(20000, 21000);
    player.PlayClip(900, 800);
    player.PlayClip(13000, 90000);
    player.PlayDigit(-1);
    player.PlayDigit(10);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(said), 1) << said;
    EXPECT_NE(said.find("20000..21000"), std::string::npos) << said;

    player.Close();
    EXPECT_FALSE(player.IsLive());
    EXPECT_EQ(player.Mixer(), nullptr);
    player.PlayClip(clips::ClipClick.from, clips::ClipClick.to);
    player.Close();
}

}  // namespace
}  // namespace tavrin
