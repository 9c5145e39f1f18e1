#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sound/clip_mixer.h"
#include "sound/clip_player.h"

namespace tavrin {

// Plays clips of the speech file through one SDL audio device.
//
// The file is decoded once, here, and the device opened at the file's own rate
// as mono 16-bit, so the callback only copies and adds samples. If the file or
// the device is unusable the player is not live: it plays nothing and Fault()
// says why. It never prints; OpenSpeechFile does the warning.
class SdlClipPlayer final : public ClipPlayer {
public:
    explicit SdlClipPlayer(const std::string& path);
    ~SdlClipPlayer() override;
    SdlClipPlayer(const SdlClipPlayer&) = delete;
    SdlClipPlayer& operator=(const SdlClipPlayer&) = delete;

    // Returns at once; the clip starts with the device's next buffer (or, for
    // speech, after the spoken clip before it). Clips outside the file are
    // skipped, and the first such call warns once on stderr.
    void PlayClip(std::int32_t from, std::int32_t to) override;

    // Releases the device and the decoded file; later calls play nothing.
    void Close();

    bool IsLive() const { return device_ != 0; }
    const std::string& Fault() const { return fault_; }

    // For tests and measurements; null once closed or when not live.
    const ClipMixer* Mixer() const { return mixer_.get(); }
    // Frames the device asks for per callback; 0 when not live.
    int DevicePeriodFrames() const { return periodFrames_; }

private:
    static void Callback(void* self, std::uint8_t* stream, int len);

    std::unique_ptr<ClipMixer> mixer_;
    std::uint32_t device_ = 0;
    bool sdlStarted_ = false;
    int periodFrames_ = 0;
    std::string fault_;
    bool warnedAboutClip_ = false;
};

// The player the main window owns: a live SdlClipPlayer, or, after one warning
// line on stderr, a silent one. Never throws.
std::unique_ptr<ClipPlayer> OpenSpeechFile(const std::string& path);

}  // namespace tavrin
