// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/deferred_clip_player.h"

#include <pthread.h>

namespace tavrin {

void NameThisThread() {
    // Seen in top and in /proc, and by the test that no sound thread runs while sound is off.
    pthread_setname_np(pthread_self(), kSoundThreadName);
}

DeferredClipPlayer::DeferredClipPlayer(Opener open) : open_(std::move(open)) {}

DeferredClipPlayer::~DeferredClipPlayer() {
    if (opening_.joinable()) opening_.join();
}

void DeferredClipPlayer::Open() {
    std::lock_guard lock(mutex_);
    StartOpening();
}

void DeferredClipPlayer::Prepare() {
    std::lock_guard lock(mutex_);
    if (player_) {
        player_->Prepare();
    } else {
        StartOpening();
    }
}

void DeferredClipPlayer::StartOpening() {
    if (openAsked_) return;
    openAsked_ = true;
    opening_ = std::thread([this] {
        NameThisThread();
        std::unique_ptr<ClipPlayer> opened = open_();
        if (!opened) opened = std::make_unique<SilentClipPlayer>();
        std::lock_guard ready(mutex_);
        player_ = std::move(opened);
        for (auto [from, to] : waiting_) player_->PlayClip(from, to);
        waiting_.clear();
    });
}

void DeferredClipPlayer::PlayClip(std::int32_t from, std::int32_t to) {
    std::lock_guard lock(mutex_);
    if (player_) {
        player_->PlayClip(from, to);
    } else {
        if (waiting_.size() < kMostWaitingClips) waiting_.emplace_back(from, to);
        StartOpening();
    }
}

}  // namespace tavrin
