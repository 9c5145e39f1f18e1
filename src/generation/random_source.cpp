// SPDX-License-Identifier: GPL-3.0-or-later
#include "generation/random_source.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <ctime>
#include <utility>

namespace tavrin {

namespace {

// splitmix64's finaliser: a cheap, well-mixed bijection on 64 bits.
std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

constexpr std::uint64_t kGolden = 0x9e3779b97f4a7c15ULL;

}  // namespace

double SecondsSinceMidnight() {
    using namespace std::chrono;
    // Every question re-seeds, so this runs tens of thousands of times for a
    // large set: the local offset from UTC is looked up once a minute only
    // (a change of summer time shows within the minute).
    static thread_local std::int64_t cachedMinute = -1;
    static thread_local std::int64_t offsetSeconds = 0;
    const auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch()).count();
    const auto minute = static_cast<std::int64_t>(sinceEpoch / 60.0);
    if (minute != cachedMinute) {
        const std::time_t now = static_cast<std::time_t>(sinceEpoch);
        std::tm local{};
        localtime_r(&now, &local);
        offsetSeconds = local.tm_gmtoff;
        cachedMinute = minute;
    }
    const double local = sinceEpoch + static_cast<double>(offsetSeconds);
    return local - 86400.0 * std::floor(local / 86400.0);
}

RandomSource::RandomSource(Clock clock) : clock_(std::move(clock)), state_(kGolden) {}

double RandomSource::Draw() {
    state_ += kGolden;
    return static_cast<double>(Mix(state_) >> 11) * 0x1.0p-53;
}

void RandomSource::Reseed() {
    // Adding (not xor-ing) the clock before mixing keeps two re-seeds with the
    // same clock value from cancelling each other out.
    state_ = Mix(state_ + std::bit_cast<std::uint64_t>(clock_()) + kGolden);
}

}  // namespace tavrin
