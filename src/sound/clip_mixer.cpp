// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/clip_mixer.h"

#include <algorithm>
#include <limits>

#include "sound/clip_table.h"

namespace tavrin {

std::int64_t FrameAt(std::int32_t ms, int rate) {
    // 64 bits: 2^31 ms at 384 kHz does not fit in 32. Negative positions floor too.
    const std::int64_t scaled = static_cast<std::int64_t>(ms) * rate;
    return scaled >= 0 ? scaled / 1000 : -((-scaled + 999) / 1000);
}

ClipSlice SliceClip(std::int32_t from, std::int32_t to, int rate, std::int64_t frameCount) {
    ClipSlice slice;
    if (rate <= 0 || frameCount <= 0 || from >= to) return slice;
    const std::int64_t begin = FrameAt(from, rate);
    const std::int64_t end = FrameAt(to, rate);
    slice.begin = std::clamp<std::int64_t>(begin, 0, frameCount);
    slice.end = std::clamp<std::int64_t>(end, 0, frameCount);
    slice.clamped = slice.begin != begin || slice.end != end;
    if (slice.end <= slice.begin) slice.begin = slice.end = 0;
    return slice;
}

bool IsSoundEffect(std::int32_t, std::int32_t to) { return to <= kSoundEffectsEndMs; }

ClipMixer::ClipMixer(SpeechFile speech) : speech_(std::move(speech)) {}

ClipSlice ClipMixer::Play(std::int32_t from, std::int32_t to) {
    const ClipSlice slice =
        SliceClip(from, to, speech_.rate, static_cast<std::int64_t>(speech_.samples.size()));
    if (slice.Empty()) return slice;
    const Voice voice{slice.begin, slice.begin, slice.end};

    std::lock_guard lock(mutex_);
    if (IsSoundEffect(from, to)) {
        if (effectCount_ < kMaxEffects) {
            effects_[effectCount_++] = voice;
        } else {
            auto nearest = std::min_element(
                effects_.begin(), effects_.end(),
                [](const Voice& a, const Voice& b) { return a.end - a.pos < b.end - b.pos; });
            *nearest = voice;
        }
    } else if (queueCount_ < kMaxQueuedSpeech && !Waiting(voice, IsPrompt(from, to))) {
        queue_[(queueHead_ + queueCount_++) % kMaxQueuedSpeech] = voice;
    }
    return slice;
}

bool ClipMixer::Waiting(const Voice& voice, bool anywhere) const {
    const auto same = [&voice](const Voice& v) {
        return v.begin == voice.begin && v.end == voice.end;
    };
    if (queueCount_ == 0) return false;
    if (!anywhere) return same(queue_[(queueHead_ + queueCount_ - 1) % kMaxQueuedSpeech]);
    for (int i = 0; i < queueCount_; ++i)
        if (same(queue_[(queueHead_ + i) % kMaxQueuedSpeech])) return true;
    return false;
}

int ClipMixer::MixVoice(Voice& voice, std::int32_t* acc, int frames) {
    if (voice.pos == voice.begin) clipsStarted_.fetch_add(1, std::memory_order_release);
    const int n = static_cast<int>(std::min<std::int64_t>(frames, voice.end - voice.pos));
    const std::int16_t* src = speech_.samples.data() + voice.pos;
    for (int i = 0; i < n; ++i) acc[i] += src[i];
    voice.pos += n;
    return n;
}

void ClipMixer::Mix(std::int16_t* out, int frames) {
    constexpr int kChunk = 1024;
    std::array<std::int32_t, kChunk> acc;
    std::lock_guard lock(mutex_);
    for (int done = 0; done < frames;) {
        const int chunk = std::min(kChunk, frames - done);
        std::fill_n(acc.begin(), chunk, 0);

        for (int i = 0; i < effectCount_;) {
            MixVoice(effects_[i], acc.data(), chunk);
            if (effects_[i].pos >= effects_[i].end) {
                effects_[i] = effects_[--effectCount_];
            } else {
                ++i;
            }
        }

        // One spoken clip after another, the next starting on the frame after the last.
        for (int at = 0; at < chunk;) {
            if (!isSpeaking_) {
                if (queueCount_ == 0) break;
                speaking_ = queue_[queueHead_];
                queueHead_ = (queueHead_ + 1) % kMaxQueuedSpeech;
                --queueCount_;
                isSpeaking_ = true;
            }
            at += MixVoice(speaking_, acc.data() + at, chunk - at);
            if (speaking_.pos >= speaking_.end) isSpeaking_ = false;
        }

        constexpr std::int32_t lo = std::numeric_limits<std::int16_t>::min();
        constexpr std::int32_t hi = std::numeric_limits<std::int16_t>::max();
        for (int i = 0; i < chunk; ++i) {
            out[done + i] = static_cast<std::int16_t>(std::clamp(acc[i], lo, hi));
        }
        done += chunk;
    }
}

void ClipMixer::Stop() {
    std::lock_guard lock(mutex_);
    effectCount_ = 0;
    isSpeaking_ = false;
    queueHead_ = queueCount_ = 0;
}

bool ClipMixer::Idle() const {
    std::lock_guard lock(mutex_);
    return effectCount_ == 0 && !isSpeaking_ && queueCount_ == 0;
}

}  // namespace tavrin
