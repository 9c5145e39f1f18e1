// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tavrin {

// Which option gates a clip. The callers test it; the player never does.
enum class ClipOption { SoundEffects, VoicePrompts };

struct Clip {
    const char* name;
    std::int32_t from;  // milliseconds into the speech file
    std::int32_t to;
    ClipOption option;
};

// The one place where every stretch of the speech file is named. The sound
// effects lie in the first 2351 ms, the speech from 2371 ms on.
namespace clips {
inline constexpr Clip ClipStartup{"ClipStartup", 0, 978, ClipOption::SoundEffects};
inline constexpr Clip ClipNewSet{"ClipNewSet", 1001, 1179, ClipOption::SoundEffects};
inline constexpr Clip ClipAbout{"ClipAbout", 1271, 1774, ClipOption::SoundEffects};
inline constexpr Clip ClipClick{"ClipClick", 1842, 2075, ClipOption::SoundEffects};
inline constexpr Clip ClipCancel{"ClipCancel", 2075, 2351, ClipOption::SoundEffects};
inline constexpr Clip ClipStartupPrompt{"ClipStartupPrompt", 2371, 3327, ClipOption::VoicePrompts};
inline constexpr Clip ClipSetDone{"ClipSetDone", 3328, 4030, ClipOption::VoicePrompts};
inline constexpr Clip ClipScoreLeadIn{"ClipScoreLeadIn", 4165, 5652, ClipOption::VoicePrompts};
inline constexpr Clip ClipDialogPrompt{"ClipDialogPrompt", 5783, 7557, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit1{"ClipDigit1", 8354, 8667, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit2{"ClipDigit2", 8760, 9113, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit3{"ClipDigit3", 9165, 9711, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit4{"ClipDigit4", 9810, 10140, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit5{"ClipDigit5", 10158, 10471, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit6{"ClipDigit6", 10471, 10804, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit7{"ClipDigit7", 10808, 11220, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit8{"ClipDigit8", 11276, 11634, ClipOption::VoicePrompts};
inline constexpr Clip ClipDigit9{"ClipDigit9", 11719, 12128, ClipOption::VoicePrompts};
inline constexpr Clip ClipTen{"ClipTen", 12128, 12401, ClipOption::VoicePrompts};
inline constexpr Clip ClipHundred{"ClipHundred", 12785, 13709, ClipOption::VoicePrompts};
}  // namespace clips

// Every clip in file order.
inline constexpr std::array<Clip, 20> ClipTable{
    clips::ClipStartup,      clips::ClipNewSet,        clips::ClipAbout,   clips::ClipClick,
    clips::ClipCancel,       clips::ClipStartupPrompt, clips::ClipSetDone, clips::ClipScoreLeadIn,
    clips::ClipDialogPrompt, clips::ClipDigit1,        clips::ClipDigit2,  clips::ClipDigit3,
    clips::ClipDigit4,       clips::ClipDigit5,        clips::ClipDigit6,  clips::ClipDigit7,
    clips::ClipDigit8,       clips::ClipDigit9,        clips::ClipTen,     clips::ClipHundred,
};

// The speech file must reach at least this far.
inline constexpr std::int32_t kSpeechFileMinimumMs = 13709;
// Clips ending at or before this are sound effects; they mix in at once.
inline constexpr std::int32_t kSoundEffectsEndMs = 2351;

// The prompts said on their own, as against the steps of the score announcement: more than one
// of a kind waiting to be said only repeats what the child is about to hear.
constexpr bool IsPrompt(std::int32_t from, std::int32_t to) {
    for (const Clip& clip : {clips::ClipStartupPrompt, clips::ClipSetDone, clips::ClipDialogPrompt})
        if (clip.from == from && clip.to == to) return true;
    return false;
}

// The digit clip for 1..9, nothing otherwise.
constexpr std::optional<Clip> DigitClip(std::int16_t n) {
    if (n < 1 || n > 9) return std::nullopt;
    return ClipTable[static_cast<std::size_t>(8 + n)];
}

}  // namespace tavrin
