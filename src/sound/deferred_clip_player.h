// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "sound/clip_player.h"

namespace tavrin {

// The name of every thread the sound starts (at most 15 characters).
inline constexpr const char* kSoundThreadName = "tavrin-sound";
// Names the calling thread kSoundThreadName.
void NameThisThread();

// A player opened on a thread of its own, and only when asked: opening the real one reads SDL's
// thirty-odd libraries and the speech file (tens of milliseconds and some 3.6 MiB), which a face
// with both sound options off never needs, and which the window must not wait for. Clips asked
// for before it is ready wait, in order, and start the moment it is.
class DeferredClipPlayer final : public ClipPlayer {
public:
    using Opener = std::function<std::unique_ptr<ClipPlayer>()>;

    explicit DeferredClipPlayer(Opener open);
    // Waits for the opening to finish.
    ~DeferredClipPlayer() override;
    DeferredClipPlayer(const DeferredClipPlayer&) = delete;
    DeferredClipPlayer& operator=(const DeferredClipPlayer&) = delete;

    // Starts opening the real player; later calls do nothing.
    void Open();
    // Opens the real player, or has it get ready once it is open.
    void Prepare() override;
    // A clip asked for before Open opens the player too: nothing asked for is dropped.
    void PlayClip(std::int32_t from, std::int32_t to) override;

private:
    // Under mutex_.
    void StartOpening();

    // More than start-up ever asks for before the device is open; a player that never opens
    // must not gather clips for the whole afternoon.
    static constexpr std::size_t kMostWaitingClips = 16;

    Opener open_;
    std::mutex mutex_;
    std::unique_ptr<ClipPlayer> player_;
    std::vector<std::pair<std::int32_t, std::int32_t>> waiting_;
    std::thread opening_;
    bool openAsked_ = false;
};

// One player with several owners: the face gives up its handle when it unloads, and the
// player lives on for whoever still holds it.
class SharedClipPlayer final : public ClipPlayer {
public:
    explicit SharedClipPlayer(std::shared_ptr<ClipPlayer> player) : player_(std::move(player)) {}
    void PlayClip(std::int32_t from, std::int32_t to) override { player_->PlayClip(from, to); }
    void Prepare() override { player_->Prepare(); }

private:
    std::shared_ptr<ClipPlayer> player_;
};

}  // namespace tavrin
