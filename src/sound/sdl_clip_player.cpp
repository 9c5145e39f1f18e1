#include "sound/sdl_clip_player.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>

#include "sound/clip_table.h"

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
// while the device is looked for. Only start-up's one thread writes then.
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

SdlClipPlayer::SdlClipPlayer(const std::string& path) {
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
    mixer_ = std::make_unique<ClipMixer>(std::move(*speech));

    // SDL would otherwise turn SIGINT and SIGTERM into events nobody reads, and
    // the program could no longer be stopped by a signal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::optional<QuietStderr> quiet(std::in_place);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        quiet.reset();
        fault_ = std::string("no audio device (") + SDL_GetError() + ")";
        Close();
        return;
    }
    sdlStarted_ = true;

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
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    quiet.reset();
    if (device_ == 0) {
        fault_ = std::string("no audio device (") + SDL_GetError() + ")";
        // Shutting SDL's audio down here would wait up to 100 ms for its ALSA
        // device watcher to notice, holding the face back from the screen; the
        // idle subsystem is left for the end of the process instead.
        sdlStarted_ = false;
        Close();
        return;
    }
    periodFrames_ = have.samples;
    SDL_PauseAudioDevice(device_, 0);
}

SdlClipPlayer::~SdlClipPlayer() { Close(); }

void SdlClipPlayer::Close() {
    if (device_ != 0) {
        // Waits for a callback in progress, so the mixer is free to go after it.
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (sdlStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlStarted_ = false;
    }
    mixer_.reset();
    periodFrames_ = 0;
}

void SdlClipPlayer::PlayClip(std::int32_t from, std::int32_t to) {
    if (!mixer_ || device_ == 0) return;
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
    player->mixer_->Mix(reinterpret_cast<std::int16_t*>(stream),
                        len / static_cast<int>(sizeof(std::int16_t)));
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
