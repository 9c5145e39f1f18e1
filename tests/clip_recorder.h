// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "sound/clip_player.h"
#include "sound/clip_table.h"

namespace tavrin::testing {

// Lists every clip played, in order, instead of sounding it.
class ClipRecorder : public ClipPlayer {
public:
    using Played = std::pair<std::int32_t, std::int32_t>;

    void PlayClip(std::int32_t from, std::int32_t to) override { played.emplace_back(from, to); }
    void Prepare() override { ++prepared; }

    static Played Of(const Clip& clip) { return {clip.from, clip.to}; }

    std::vector<Played> played;
    int prepared = 0;
};

}  // namespace tavrin::testing
