// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/clip_player.h"

#include "sound/clip_table.h"

namespace tavrin {

void ClipPlayer::PlayDigit(std::int16_t n) {
    if (auto clip = DigitClip(n)) PlayClip(clip->from, clip->to);
}

}  // namespace tavrin
