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

// A player opened on a thread of its own. Opening the real one reads SDL's thirty-odd libraries and
// the speech file, tens of milliseconds on a cold start, which the window must not wait for.
// Clips asked for before it is ready wait, in order, and start the moment it is.
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
    void PlayClip(std::int32_t from, std::int32_t to) override;

private:
    // More than start-up ever asks for before the device is open; a player that never opens
    // must not gather clips for the whole afternoon.
    static constexpr std::size_t kMostWaitingClips = 16;

    Opener open_;
    std::mutex mutex_;
    std::unique_ptr<ClipPlayer> player_;
    std::vector<std::pair<std::int32_t, std::int32_t>> waiting_;
    std::thread opening_;
};

// One player with several owners: the face gives up its handle when it unloads, and the
// player lives on for whoever still holds it.
class SharedClipPlayer final : public ClipPlayer {
public:
    explicit SharedClipPlayer(std::shared_ptr<ClipPlayer> player) : player_(std::move(player)) {}
    void PlayClip(std::int32_t from, std::int32_t to) override { player_->PlayClip(from, to); }

private:
    std::shared_ptr<ClipPlayer> player_;
};

}  // namespace tavrin
