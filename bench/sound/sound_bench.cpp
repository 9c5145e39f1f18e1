// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up decoding and the delay from PlayClip to the clip's first frame
// handed to the device.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sound/clip_mixer.h"
#include "sound/clip_table.h"
#include "sound/sdl_clip_player.h"
#include "sound/speech_file.h"

namespace tavrin {
namespace {

const std::string kSpeechFile = std::string(TAVRIN_SOURCE_DIR) + "/data/eye/s";
// Far beyond any device's period or opening, and short of CTest's limit.
constexpr auto kDeviceWait = std::chrono::seconds(5);

// Target: under 5 ms.
void BM_DecodeSpeechFile(benchmark::State& state) {
    for (auto _ : state) {
        auto speech = DecodeSpeechFile(kSpeechFile, nullptr);
        if (!speech) state.SkipWithError("cannot decode data/eye/s");
        benchmark::DoNotOptimize(speech);
    }
}
BENCHMARK(BM_DecodeSpeechFile)->Unit(benchmark::kMillisecond);

// The work between PlayClip and the first frame leaving the mixer: scheduling the
// click and mixing the buffer that starts with it, while a spoken clip sounds.
void BM_PlayClipThenMixOnePeriod(benchmark::State& state) {
    auto speech = DecodeSpeechFile(kSpeechFile, nullptr);
    if (!speech) return state.SkipWithError("cannot decode data/eye/s");
    ClipMixer mixer(std::move(*speech));
    const int period = 512;
    std::vector<std::int16_t> buffer(period);
    for (auto _ : state) {
        mixer.Play(clips::ClipHundred.from, clips::ClipHundred.to);
        mixer.Play(clips::ClipClick.from, clips::ClipClick.to);
        mixer.Mix(buffer.data(), period);
        benchmark::DoNotOptimize(buffer.data());
        state.PauseTiming();
        mixer.Stop();
        state.ResumeTiming();
    }
    state.counters["period_ms"] = 1000.0 * period / mixer.Rate();
}
BENCHMARK(BM_PlayClipThenMixOnePeriod)->Unit(benchmark::kMicrosecond);

// The whole way through SDL: from PlayClip until the device's thread has mixed the
// clip's first frame, each time after `ready` has waited for the moment to play.
// Without a sound card SDL's disk driver, writing to a scratch file, paces the device
// like real hardware; set SDL_AUDIODRIVER to measure a real one. Target: no more
// than one device period.
constexpr auto kGiveUp = std::chrono::seconds(2);

void TimeClipToDevice(benchmark::State& state, SdlClipPlayer& player,
                      const std::function<bool()>& ready) {
    if (!player.IsLive()) return state.SkipWithError(player.Fault().c_str());
    // A device that never opens would leave the loop below waiting for ever.
    const auto openBy = std::chrono::steady_clock::now() + kDeviceWait;
    while (player.Openings() == 0 && std::chrono::steady_clock::now() < openBy)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (player.Openings() == 0) return state.SkipWithError("the sound device did not open");
    const ClipMixer& mixer = *player.Mixer();
    double worst = 0;
    for (auto _ : state) {
        if (!ready()) {
            state.SkipWithError("the device never came to rest within 2 s");
            break;
        }
        const auto started = mixer.ClipsStarted();
        const auto t0 = std::chrono::steady_clock::now();
        player.PlayClip(clips::ClipClick.from, clips::ClipClick.to);
        // A device that never takes a buffer (a driver that cannot write its file) ends the
        // run with a failure that says so, not a wait for CTest's time-out.
        while (mixer.ClipsStarted() == started && std::chrono::steady_clock::now() - t0 < kGiveUp)
            std::this_thread::yield();
        if (mixer.ClipsStarted() == started) {
            state.SkipWithError("the clip never reached the device within 2 s");
            break;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
        worst = std::max(worst, took.count());
        state.SetIterationTime(took.count());
    }
    state.counters["period_ms"] = 1000.0 * player.DevicePeriodFrames() / mixer.Rate();
    state.counters["worst_ms"] = 1000.0 * worst;
}

// SDL 2.32's disk driver refuses /dev/null, so it writes to a file of its own, removed at exit.
class ScratchSoundFile {
public:
    ScratchSoundFile() {
        std::string name = (std::filesystem::temp_directory_path() / "tavrin-sound-bench-XXXXXX");
        const int fd = mkstemp(name.data());
        if (fd < 0) return;
        close(fd);
        path_ = name;
    }
    ~ScratchSoundFile() {
        if (!path_.empty()) std::remove(path_.c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

void UseDiskDeviceUnlessTold() {
    static const ScratchSoundFile scratch;
    if (!std::getenv("SDL_AUDIODRIVER") && !scratch.Path().empty()) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", scratch.Path().c_str(), 1);
    }
}

void BM_PlayClipToDevice(benchmark::State& state) {
    UseDiskDeviceUnlessTold();
    SdlClipPlayer player(kSpeechFile);
    // Requests come at any moment of the device's cycle, not just after a callback.
    std::mt19937 random(1);
    const double periodS =
        player.IsLive() ? double(player.DevicePeriodFrames()) / player.Mixer()->Rate() : 0;
    std::uniform_real_distribution<double> phase(0.0, periodS);
    TimeClipToDevice(state, player, [&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(phase(random)));
        return true;
    });
}
BENCHMARK(BM_PlayClipToDevice)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// The same after the device has rested: PlayClip opens the device again.
void BM_PlayClipAfterRestToDevice(benchmark::State& state) {
    UseDiskDeviceUnlessTold();
    SdlClipPlayer player(kSpeechFile, 20);
    TimeClipToDevice(state, player, [&] {
        const auto deadline = std::chrono::steady_clock::now() + kGiveUp;
        while (!player.IsResting() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return player.IsResting();
    });
}
BENCHMARK(BM_PlayClipAfterRestToDevice)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

}  // namespace
}  // namespace tavrin
