// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sdl_clip_player.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>

#include "sound/clip_table.h"
#include "sound/sound_libraries.h"

namespace tavrin {

namespace {

// About 23 ms at 22050 Hz: short enough that a click feels immediate, long
// enough not to stutter on a busy machine.
constexpr int kPeriodFrames = 512;

void Warn(const std::string& what) {
    std::fprintf(stderr, "tavrin: sound is off: %s\n", what.c_str());
}

// ALSA's library prints several lines of its own when it finds no sound card;
// the program's one warning line says it better, so that chatter is muted
// while the device is looked for. The muting is process-wide: a line another
// thread prints in those few milliseconds is lost with it.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

}  // namespace

SdlClipPlayer::SdlClipPlayer(const std::string& path, int quietSpellMs) {
    std::string error;
    auto speech = DecodeSpeechFile(path, &error);
    if (!speech) {
        fault_ = error;
        return;
    }
    if (speech->LengthMs() < kSpeechFileMinimumMs) {
        fault_ = path + " lasts " + std::to_string(speech->LengthMs()) + " ms, less than the " +
                 std::to_string(kSpeechFileMinimumMs) + " ms its clips need";
        return;
    }
    sdl_ = LoadSdl(&error);
    if (!sdl_) {
        fault_ = error;
        return;
    }
    mixer_ = std::make_unique<ClipMixer>(std::move(*speech));
    quietSpellFrames_ = FrameAt(std::max(quietSpellMs, 0), mixer_->Rate());
    restsWhenQuiet_ = quietSpellMs > 0;

    // SDL would otherwise turn SIGINT and SIGTERM into events nobody reads, and
    // the program could no longer be stopped by a signal.
    sdl_->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!OpenDevice()) {
        Close();
        return;
    }
    live_ = true;
    if (restsWhenQuiet_) restThread_ = std::thread(&SdlClipPlayer::RestWhenQuiet, this);
}

bool SdlClipPlayer::OpenDevice() {
    std::optional<QuietStderr> quiet(std::in_place);
    if (!sdlStarted_) {
        if (sdl_->InitSubSystem(SDL_INIT_AUDIO) != 0) {
            quiet.reset();
            fault_ = std::string("no audio device (") + sdl_->GetError() + ")";
            return false;
        }
        sdlStarted_ = true;
    }

    SDL_AudioSpec want{};
    want.freq = mixer_->Rate();
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kPeriodFrames;
    want.callback = &SdlClipPlayer::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants, and the
    // callback always sees the file's own rate and format.
    device_ = sdl_->OpenAudioDevice(nullptr, 0, &want, &have, 0);
    quiet.reset();
    if (device_ == 0) {
        fault_ = std::string("no audio device (") + sdl_->GetError() + ")";
        // Shutting SDL's audio down here would wait up to 100 ms for its ALSA
        // device watcher to notice; the idle subsystem is left for the end of
        // the process instead.
        sdlStarted_ = false;
        return false;
    }
    periodFrames_ = have.samples;
    // The device's thread has not run the callback yet: it starts paused.
    quietFrames_ = 0;
    sdl_->PauseAudioDevice(device_, 0);
    return true;
}

void SdlClipPlayer::CloseDevice() {
    if (device_ != 0) {
        // Waits for a callback in progress, so the mixer is free to go after it.
        sdl_->CloseAudioDevice(device_);
        device_ = 0;
    }
    // SDL's device watcher wakes ten times a second while its audio is up.
    if (sdlStarted_) {
        sdl_->QuitSubSystem(SDL_INIT_AUDIO);
        sdlStarted_ = false;
    }
}

void SdlClipPlayer::RestWhenQuiet() {
    std::unique_lock lock(deviceMutex_);
    for (;;) {
        restWanted_.wait(lock, [this] { return stopping_ || quiet_.load(); });
        if (stopping_) return;
        quiet_ = false;
        // A clip queued since the device's thread saw the quiet keeps it open.
        if (device_ != 0 && mixer_->Idle()) CloseDevice();
    }
}

bool SdlClipPlayer::IsResting() const {
    std::lock_guard lock(deviceMutex_);
    return live_ && device_ == 0;
}

SdlClipPlayer::~SdlClipPlayer() { Close(); }

void SdlClipPlayer::Close() {
    if (restThread_.joinable()) {
        {
            std::lock_guard lock(deviceMutex_);
            stopping_ = true;
        }
        restWanted_.notify_one();
        restThread_.join();
    }
    std::lock_guard lock(deviceMutex_);
    CloseDevice();
    mixer_.reset();
    live_ = false;
    periodFrames_ = 0;
}

void SdlClipPlayer::PlayClip(std::int32_t from, std::int32_t to) {
    if (!live_) return;
    std::lock_guard lock(deviceMutex_);
    if (device_ == 0 && !OpenDevice()) {
        if (!warnedAboutDevice_) Warn(fault_);
        warnedAboutDevice_ = true;
        return;
    }
    const ClipSlice slice = mixer_->Play(from, to);
    if ((slice.Empty() || slice.clamped) && !warnedAboutClip_) {
        warnedAboutClip_ = true;
        std::fprintf(stderr,
                     "tavrin: sound: clip %d..%d ms lies outside the speech file (%lld ms)%s\n",
                     static_cast<int>(from), static_cast<int>(to),
                     static_cast<long long>(mixer_->Speech().LengthMs()),
                     slice.Empty() ? ", skipped" : ", cut at its end");
    }
}

void SdlClipPlayer::Callback(void* self, std::uint8_t* stream, int len) {
    auto* player = static_cast<SdlClipPlayer*>(self);
    const int frames = len / static_cast<int>(sizeof(std::int16_t));
    player->mixer_->Mix(reinterpret_cast<std::int16_t*>(stream), frames);
    if (!player->mixer_->Idle()) {
        player->quietFrames_ = 0;
    } else if ((player->quietFrames_ += frames) >= player->quietSpellFrames_ &&
               player->restsWhenQuiet_) {
        // Asked again every period until heard, so a wake-up lost in a race costs one period.
        player->quiet_ = true;
        player->restWanted_.notify_one();
    }
}

std::unique_ptr<ClipPlayer> OpenSpeechFile(const std::string& path) {
    try {
        auto player = std::make_unique<SdlClipPlayer>(path);
        if (player->IsLive()) return player;
        Warn(player->Fault());
    } catch (const std::exception& e) {
        Warn(e.what());
    }
    return std::make_unique<SilentClipPlayer>();
}

}  // namespace tavrin
