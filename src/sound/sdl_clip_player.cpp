// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sdl_clip_player.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <vector>

#include "sound/clip_table.h"
#include "sound/deferred_clip_player.h"
#include "sound/server_socket.h"
#include "sound/sound_libraries.h"

namespace tavrin {

namespace {

// About 12 ms at 22050 Hz: a click waits for the buffer being filled and the
// one queued before it, so this sets most of the delay until it is heard.
constexpr int kPeriodFrames = 256;

void Warn(const std::string& what) {
    std::fprintf(stderr, "tavrin: sound is off: %s\n", what.c_str());
}

// ALSA's library prints several lines of its own when it finds no sound card;
// the program's one warning line says it better, so that chatter is muted
// while ALSA is tried. The muting is process-wide: a line another thread
// prints in those few milliseconds is lost with it.
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

// Everything the device's thread, SDL's callback and the player share. It lives as long as
// the longest of them, so a thread left behind at quitting still has it.
struct SdlClipPlayer::Device {
    Device(const SdlLibrary* library, SpeechFile speech, int quietSpellMs)
        : sdl(library),
          mixer(std::move(speech)),
          quietSpellFrames(FrameAt(std::max(quietSpellMs, 0), mixer.Rate())),
          restsWhenQuiet(quietSpellMs > 0) {}

    void Run();
    bool Open();
    // With SDL's audio started: the device at the file's own rate, running.
    bool OpenDevice();
    // From here on the callback plays nothing: what is queued waits for the next device.
    void Silence();
    // Closes the device; `quitAudio` also ends SDL's audio and its connection to the server.
    void CloseDevice(bool quitAudio);
    static void Callback(void* self, std::uint8_t* stream, int len);

    const SdlLibrary* const sdl;
    ClipMixer mixer;
    const std::int64_t quietSpellFrames;
    const bool restsWhenQuiet;

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    // Under mutex. Each clip asks for the device; an opening answers every ask before it,
    // so a server that is not there is tried once per clip, never in a loop.
    std::uint64_t asks = 1;  // the opening at start-up
    std::uint64_t answered = 0;
    bool stopping = false;
    bool done = false;
    int openings = 0;

    // The device's thread only.
    SDL_AudioDeviceID id = 0;
    bool audioStarted = false;
    bool warned = false;
    // Where the server of the open device listens; empty when that cannot be told.
    std::string serverSocket;
    std::optional<SocketFile> serverSocketFile;

    std::atomic<int> periodFrames{kPeriodFrames};
    std::atomic<bool> open{false};
    // Set by the callback, read by the device's thread.
    std::atomic<SDL_AudioDeviceID> callbackId{0};
    std::atomic<bool> lost{false};
    std::atomic<bool> quiet{false};
    std::atomic<bool> closing{false};
    std::atomic<std::uint64_t> callbacks{0};
    std::int64_t quietFrames = 0;  // the callback only
};

namespace {

// The drivers tried when the user has named none: the sound servers a desktop runs, by
// name, so that a missing server is reported as that and not as some driver's complaint;
// then whatever SDL itself finds (ALSA on a machine without a server). Where PipeWire is the
// server its own driver comes first: through its PulseAudio service a click came later
// (p95 30.8 ms against 30).
std::vector<const char*> DriversToTry() {
    if (std::getenv("SDL_AUDIODRIVER")) return {nullptr};
    if (PipeWireIsTheServer()) return {"pipewire", "pulseaudio", nullptr};
    return {"pulseaudio", "pipewire", nullptr};
}

// Only SDL's own choice, or a choice the user named that includes it, reaches ALSA; the
// muting is kept to those, as it swallows what other threads print meanwhile.
bool MayReachAlsa(const char* driver) {
    if (driver) return false;
    const char* named = std::getenv("SDL_AUDIODRIVER");
    return !named || std::strstr(named, "alsa");
}

}  // namespace

bool SdlClipPlayer::Device::OpenDevice() {
    SDL_AudioSpec want{};
    want.freq = mixer.Rate();
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kPeriodFrames;
    want.callback = &Device::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants, and the
    // callback always sees the file's own rate and format.
    id = sdl->OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) return false;
    const char* current = sdl->GetCurrentAudioDriver();
    serverSocket = ServerSocketPath(current ? current : "");
    serverSocketFile = SocketFileAt(serverSocket);
    periodFrames = have.samples;
    quietFrames = 0;
    lost = quiet = closing = false;
    callbackId = id;
    // It starts paused: the callback has not run yet and may now.
    sdl->PauseAudioDevice(id, 0);
    open = true;
    return true;
}

bool SdlClipPlayer::Device::Open() {
    // After a rest SDL's audio is still started: a device on the same connection opens in a
    // fraction of the time (PipeWire: a click after a rest came 35 ms late, p95 48 ms, when
    // the connection and SDL's device list were made afresh each time).
    if (audioStarted) {
        if (OpenDevice()) return true;
        // The server went away while the device rested: start afresh below.
        sdl->AudioQuit();
        audioStarted = false;
    }
    std::string error;
    for (const char* driver : DriversToTry()) {
        // ALSA's library prints lines of its own when it finds no card; only SDL's own
        // choice can reach it. A sound server that hangs holds this thread, not stderr.
        std::optional<QuietStderr> quietStderr;
        if (MayReachAlsa(driver)) quietStderr.emplace();
        if (sdl->AudioInit(driver) != 0) {
            quietStderr.reset();
            error = sdl->GetError();
            continue;
        }
        audioStarted = true;
        const bool opened = OpenDevice();
        quietStderr.reset();
        if (opened) return true;
        error = sdl->GetError();
        sdl->AudioQuit();
        audioStarted = false;
    }
    if (!warned) {
        warned = true;
        if (std::getenv("SDL_AUDIODRIVER")) {
            Warn("no audio device (" + error + ")");
        } else {
            Warn(
                "the computer's sound service (PulseAudio or PipeWire) does not answer; "
                "each new sound tries again");
        }
    }
    return false;
}

void SdlClipPlayer::Device::Silence() {
    // Waits for a callback in progress; a server that hangs holds SDL's thread elsewhere.
    sdl->LockAudioDevice(id);
    closing = true;
    sdl->UnlockAudioDevice(id);
}

void SdlClipPlayer::Device::CloseDevice(bool quitAudio) {
    if (id != 0) {
        // A clip's first frames must not go to a device about to close.
        Silence();
        // Waits for a callback in progress, and for SDL's thread to end.
        sdl->CloseAudioDevice(id);
        id = 0;
        callbackId = 0;
    }
    // A dead server's connection is only made afresh by starting SDL's audio again.
    if (quitAudio && audioStarted) {
        sdl->AudioQuit();
        audioStarted = false;
    }
    // Only now: a driver may still be writing out what it was given (the disk driver's file).
    open = false;
}

void SdlClipPlayer::Device::Run() {
    // A callback that has stopped with clips waiting: a server that hangs. Those clips
    // would come seconds late, out of place; they are dropped.
    constexpr auto kCheck = std::chrono::milliseconds(250);
    constexpr int kStalledChecks = 4;
    // Longer than any opening of a server that answers.
    constexpr auto kLate = std::chrono::seconds(1);
    int stalled = 0;
    std::uint64_t lastCallbacks = 0;
    auto lastCheck = std::chrono::steady_clock::now();

    std::unique_lock lock(mutex);
    for (;;) {
        const auto wanted = [this] {
            return stopping || asks > answered || (id != 0 && (lost || quiet));
        };
        if (id != 0 && !mixer.Idle()) {
            wake.wait_for(lock, kCheck, wanted);
        } else {
            wake.wait(lock, wanted);
        }
        if (stopping) break;
        if (id == 0 && asks > answered) {
            answered = asks;
            lock.unlock();
            const auto asked = std::chrono::steady_clock::now();
            const bool opened = Open();
            // What waited for a device that is not there, or for a server that hung, would
            // only come out of place.
            if (!opened || std::chrono::steady_clock::now() - asked > kLate) mixer.Stop();
            lock.lock();
            openings += opened;
            stalled = 0;
            continue;
        }
        if (id != 0 && lost) {
            answered = asks;
            lock.unlock();
            CloseDevice(true);
            lock.lock();
            // The clips that found the device dead are still waiting: they open the next one.
            if (!mixer.Idle()) ++asks;
            continue;
        }
        // The open device serves every clip asked for so far; one asked for from here on
        // opens it again should it close now.
        answered = asks;
        if (id != 0 && quiet) {
            quiet = false;
            lock.unlock();
            Silence();
            // A clip queued since the callback saw the quiet keeps the device open.
            if (mixer.Idle()) {
                CloseDevice(false);
            } else {
                closing = false;
            }
            lock.lock();
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (id != 0 && now - lastCheck >= kCheck) {
            lastCheck = now;
            const std::uint64_t count = callbacks;
            stalled = (count == lastCallbacks && !mixer.Idle()) ? stalled + 1 : 0;
            lastCallbacks = count;
            // Stopped callbacks while the server's socket refuses, or is another server's by
            // now: the server died (SDL's PipeWire driver never says so), and a new device
            // reaches the next one. With its own socket still taking connections it only hangs.
            if (stalled > 0 && serverSocketFile &&
                !SameServerListens(serverSocket, serverSocketFile)) {
                lost = true;
                stalled = 0;
                continue;
            }
            if (stalled >= kStalledChecks) {
                mixer.Stop();
                stalled = 0;
            }
        }
    }
    lock.unlock();
    CloseDevice(true);
    lock.lock();
    done = true;
    finished.notify_all();
}

void SdlClipPlayer::Device::Callback(void* self, std::uint8_t* stream, int len) {
    auto* d = static_cast<Device*>(self);
    ++d->callbacks;
    if (d->closing) {
        std::memset(stream, 0, static_cast<std::size_t>(len));
        return;
    }
    // SDL goes on calling a device whose server has gone, and throws its sound away:
    // the clips stay queued for the next device instead. The thread is asked again
    // every period until it hears, so a wake-up lost in a race costs one period.
    if (d->sdl->GetAudioDeviceStatus(d->callbackId) == SDL_AUDIO_STOPPED) {
        std::memset(stream, 0, static_cast<std::size_t>(len));
        d->lost = true;
        d->wake.notify_one();
        return;
    }
    const int frames = len / static_cast<int>(sizeof(std::int16_t));
    d->mixer.Mix(reinterpret_cast<std::int16_t*>(stream), frames);
    if (!d->mixer.Idle()) {
        d->quietFrames = 0;
    } else if ((d->quietFrames += frames) >= d->quietSpellFrames && d->restsWhenQuiet) {
        d->quiet = true;
        d->wake.notify_one();
    }
}

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
    const SdlLibrary* sdl = LoadSdl(&error);
    if (!sdl) {
        fault_ = error;
        return;
    }
    // SDL would otherwise turn SIGINT and SIGTERM into events nobody reads, and
    // the program could no longer be stopped by a signal.
    sdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    device_ = std::make_shared<Device>(sdl, std::move(*speech), quietSpellMs);
    thread_ = std::thread([device = device_] {
        NameThisThread();
        device->Run();
    });
    live_ = true;
}

SdlClipPlayer::~SdlClipPlayer() { Close(); }

void SdlClipPlayer::Close() {
    if (!device_) return;
    {
        std::unique_lock lock(device_->mutex);
        device_->stopping = true;
        device_->wake.notify_one();
        const bool closed = device_->finished.wait_for(
            lock, std::chrono::milliseconds(kCloseWaitMs), [this] { return device_->done; });
        if (!closed) {
            lock.unlock();
            thread_.detach();
        }
    }
    if (thread_.joinable()) thread_.join();
    device_.reset();
    live_ = false;
}

bool SdlClipPlayer::IsResting() const {
    if (!device_) return false;
    std::lock_guard lock(device_->mutex);
    return !device_->open && device_->asks == device_->answered;
}

int SdlClipPlayer::Openings() const {
    if (!device_) return 0;
    std::lock_guard lock(device_->mutex);
    return device_->openings;
}

const ClipMixer* SdlClipPlayer::Mixer() const { return device_ ? &device_->mixer : nullptr; }

int SdlClipPlayer::DevicePeriodFrames() const { return device_ ? device_->periodFrames.load() : 0; }

void SdlClipPlayer::PlayClip(std::int32_t from, std::int32_t to) {
    if (!device_) return;
    const ClipSlice slice = device_->mixer.Play(from, to);
    if ((slice.Empty() || slice.clamped) && !warnedAboutClip_) {
        warnedAboutClip_ = true;
        std::fprintf(stderr,
                     "tavrin: sound: clip %d..%d ms lies outside the speech file (%lld ms)%s\n",
                     static_cast<int>(from), static_cast<int>(to),
                     static_cast<long long>(device_->mixer.Speech().LengthMs()),
                     slice.Empty() ? ", skipped" : ", cut at its end");
    }
    if (slice.Empty()) return;
    {
        // Held by the device's thread only for its bookkeeping, never across a call into SDL.
        std::lock_guard lock(device_->mutex);
        ++device_->asks;
    }
    device_->wake.notify_one();
}

void SdlClipPlayer::Prepare() {
    if (!device_) return;
    {
        std::lock_guard lock(device_->mutex);
        if (device_->open || device_->asks > device_->answered) return;
        ++device_->asks;
    }
    device_->wake.notify_one();
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
