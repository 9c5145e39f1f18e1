// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sound/clip_mixer.h"
#include "sound/clip_player.h"

namespace tavrin {

struct SdlLibrary;

// Plays clips of the speech file through one SDL audio device.
//
// The file is decoded once, here, and the device opened at the file's own rate
// as mono 16-bit, so the callback only copies and adds samples. If the file or
// the device is unusable the player is not live: it plays nothing and Fault()
// says why. It never prints; OpenSpeechFile does the warning.
//
// After a quiet spell with nothing to play the device is closed, so that no
// thread wakes to mix silence and the sound server and the machine may rest; the
// next clip opens it again and starts with its first buffer.
class SdlClipPlayer final : public ClipPlayer {
public:
    // Long enough that a child answering at a steady pace keeps the device open.
    static constexpr int kDefaultQuietSpellMs = 10000;

    // A quiet spell of 0 or less keeps the device open until Close.
    explicit SdlClipPlayer(const std::string& path, int quietSpellMs = kDefaultQuietSpellMs);
    ~SdlClipPlayer() override;
    SdlClipPlayer(const SdlClipPlayer&) = delete;
    SdlClipPlayer& operator=(const SdlClipPlayer&) = delete;

    // Returns at once; the clip starts with the device's next buffer (or, for
    // speech, after the spoken clip before it). Clips outside the file are
    // skipped, and the first such call warns once on stderr.
    void PlayClip(std::int32_t from, std::int32_t to) override;

    // Releases the device and the decoded file; later calls play nothing.
    void Close();

    bool IsLive() const { return live_; }
    // Live, with the device closed after a quiet spell.
    bool IsResting() const;
    const std::string& Fault() const { return fault_; }

    // For tests and measurements; null once closed or when not live.
    const ClipMixer* Mixer() const { return mixer_.get(); }
    // Frames the device asks for per callback; 0 when not live.
    int DevicePeriodFrames() const { return periodFrames_; }

private:
    static void Callback(void* self, std::uint8_t* stream, int len);
    // Starts SDL's audio and opens the device; on failure sets fault_.
    bool OpenDevice();
    void CloseDevice();
    void RestWhenQuiet();

    const SdlLibrary* sdl_ = nullptr;
    std::unique_ptr<ClipMixer> mixer_;
    // Guards the device's opening and closing against each other and against
    // clips being queued, which must never land on a device about to close.
    mutable std::mutex deviceMutex_;
    std::uint32_t device_ = 0;
    bool sdlStarted_ = false;
    bool live_ = false;
    int periodFrames_ = 0;
    std::string fault_;
    bool warnedAboutClip_ = false;
    bool warnedAboutDevice_ = false;

    // Written by the device's thread only.
    std::int64_t quietFrames_ = 0;
    std::int64_t quietSpellFrames_ = 0;
    bool restsWhenQuiet_ = false;
    // The device's thread asks the rest thread to close the device; it cannot
    // close it itself, since closing waits for that very thread.
    std::atomic<bool> quiet_{false};
    bool stopping_ = false;
    std::condition_variable restWanted_;
    std::thread restThread_;
};

// The player the main window owns: a live SdlClipPlayer, or, after one warning
// line on stderr, a silent one. Never throws.
std::unique_ptr<ClipPlayer> OpenSpeechFile(const std::string& path);

}  // namespace tavrin
