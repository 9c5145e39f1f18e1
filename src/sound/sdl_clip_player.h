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
// as mono 16-bit, so the callback only copies and adds samples. If the file is
// unusable the player is not live: it plays nothing and Fault() says why. It
// never prints about the file; OpenSpeechFile does the warning.
//
// The device belongs to a thread of its own, which opens it at once, closes it
// after a quiet spell (so that no thread wakes to mix silence and the sound
// server and the machine may rest), opens it again for the next clip, and
// replaces it when the sound server has gone away. PlayClip only queues the clip
// and wakes that thread: a sound server that is slow, hung or absent costs the
// caller nothing. Without a server each clip tries once more, and the first
// failure says so on stderr.
class SdlClipPlayer final : public ClipPlayer {
public:
    // Long enough that a child answering at a steady pace keeps the device open.
    static constexpr int kDefaultQuietSpellMs = 10000;
    // Quitting waits this long for the device to close, and no longer: a sound
    // server that hangs must not keep the program on screen.
    static constexpr int kCloseWaitMs = 250;

    // A quiet spell of 0 or less keeps the device open until Close.
    explicit SdlClipPlayer(const std::string& path, int quietSpellMs = kDefaultQuietSpellMs);
    ~SdlClipPlayer() override;
    SdlClipPlayer(const SdlClipPlayer&) = delete;
    SdlClipPlayer& operator=(const SdlClipPlayer&) = delete;

    // Returns at once; the clip starts with the device's next buffer (or, for
    // speech, after the spoken clip before it). Clips outside the file are
    // skipped, and the first such call warns once on stderr.
    void PlayClip(std::int32_t from, std::int32_t to) override;
    // A device that rests opens again now, as for a clip, without one: a click after a
    // rest waited for PipeWire's new stream (p95 36 ms), while the press that leads to it
    // comes a tenth of a second earlier. An open device is left as it is.
    void Prepare() override;

    // Releases the device and the decoded file; later calls play nothing. A
    // device that does not close within kCloseWaitMs is left to its thread, which
    // ends with the process.
    void Close();

    bool IsLive() const { return live_; }
    // Live, with the device closed and no clip waiting for it: after a quiet
    // spell, or after a failed opening.
    bool IsResting() const;
    // How often the device has been opened since construction.
    int Openings() const;
    const std::string& Fault() const { return fault_; }

    // For tests and measurements; null once closed or when not live.
    const ClipMixer* Mixer() const;
    // Frames the device asks for per callback (as asked for until it has opened);
    // 0 when not live.
    int DevicePeriodFrames() const;

    struct Device;

private:
    std::shared_ptr<Device> device_;
    std::thread thread_;
    bool live_ = false;
    std::string fault_;
    bool warnedAboutClip_ = false;
};

// The player the main window owns: a live SdlClipPlayer, or, after one warning
// line on stderr, a silent one. Never throws.
std::unique_ptr<ClipPlayer> OpenSpeechFile(const std::string& path);

}  // namespace tavrin
