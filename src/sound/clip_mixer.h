// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "sound/speech_file.h"

namespace tavrin {

// A stretch of the speech file in frames, end exclusive.
struct ClipSlice {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    bool clamped = false;  // the clip asked for more than the file holds

    bool Empty() const { return end <= begin; }
    std::int64_t Frames() const { return Empty() ? 0 : end - begin; }
};

// The frame where a position of ms milliseconds starts: floor(ms * rate / 1000).
// Flooring both ends gives touching clips the same boundary frame, so one clip's
// last frame is never its neighbour's first.
std::int64_t FrameAt(std::int32_t ms, int rate);

// The frames [from, to) of a file of frameCount frames at rate: clamped to the
// file, empty when from is not before to or lies at or past the end.
ClipSlice SliceClip(std::int32_t from, std::int32_t to, int rate, std::int64_t frameCount);

// Sound effects lie in the head of the file; everything after it is speech.
bool IsSoundEffect(std::int32_t from, std::int32_t to);

// Mixes the clips that are sounding into the device's buffers.
//
// Play is called on the GUI thread and Mix on the audio thread; both hold the
// mutex only for the few microseconds their own work takes. A sound effect starts
// with the next buffer and mixes over whatever sounds; a spoken clip waits for the
// spoken clip before it to end and then follows it without a gap, so the steps of
// a spoken sentence never cut one another off.
class ClipMixer {
public:
    explicit ClipMixer(SpeechFile speech);

    // Schedules the clip [from, to) in milliseconds and returns its slice, empty
    // if nothing of it lies in the file. A spoken clip is not queued again when it
    // is the last one still waiting, nor a prompt when the same prompt waits
    // anywhere in the queue: quick repeats must not pile up seconds of one prompt.
    ClipSlice Play(std::int32_t from, std::int32_t to);

    // Writes the next frames of the mix; a frame count below 1 writes nothing.
    void Mix(std::int16_t* out, int frames);

    // Forgets everything sounding or waiting.
    void Stop();

    bool Idle() const;
    // Clips whose first frame has been mixed, counted since construction.
    std::uint64_t ClipsStarted() const { return clipsStarted_.load(std::memory_order_acquire); }

    int Rate() const { return speech_.rate; }
    const SpeechFile& Speech() const { return speech_; }

    // Effects sounding together beyond this replace the one nearest its end;
    // spoken clips queued beyond this are dropped.
    static constexpr int kMaxEffects = 8;
    static constexpr int kMaxQueuedSpeech = 16;

private:
    struct Voice {
        std::int64_t begin = 0;
        std::int64_t pos = 0;
        std::int64_t end = 0;
    };

    // Adds as much of voice as fits into acc[0, frames) and returns how many frames that was.
    int MixVoice(Voice& voice, std::int32_t* acc, int frames);
    bool Waiting(const Voice& voice, bool anywhere) const;

    const SpeechFile speech_;
    mutable std::mutex mutex_;
    std::array<Voice, kMaxEffects> effects_{};
    int effectCount_ = 0;
    Voice speaking_{};
    bool isSpeaking_ = false;
    std::array<Voice, kMaxQueuedSpeech> queue_{};
    int queueHead_ = 0;
    int queueCount_ = 0;
    std::atomic<std::uint64_t> clipsStarted_{0};
};

}  // namespace tavrin
