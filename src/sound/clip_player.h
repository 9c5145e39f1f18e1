// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace tavrin {

// Everything the program says or plays goes through this seam, so the
// handlers can be driven in tests by a recorder instead of a sound card.
class ClipPlayer {
public:
    virtual ~ClipPlayer() = default;

    // Starts the stretch [from, to) of the speech file, in milliseconds, and
    // returns at once.
    virtual void PlayClip(std::int32_t from, std::int32_t to) = 0;

    // Gets ready now, so that the next clip is on time: a player that must load its libraries
    // or open a device starts on that here, and one whose device rests opens it again; it
    // returns at once. Others are always ready.
    virtual void Prepare() {}

    // The spoken digit 1..9; any other n is silent.
    void PlayDigit(std::int16_t n);
};

// A player that plays nothing: the program's fallback when the sound device
// or the speech file is unusable.
class SilentClipPlayer final : public ClipPlayer {
public:
    void PlayClip(std::int32_t, std::int32_t) override {}
};

}  // namespace tavrin
