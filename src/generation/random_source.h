// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace tavrin {

// Seconds since local midnight, with their fraction.
double SecondsSinceMidnight();

// The program's one source of chance: questions, the mix of operations and
// the eyes' expressions all draw from it.
class RandomSource {
public:
    using Clock = std::function<double()>;

    explicit RandomSource(Clock clock = SecondsSinceMidnight);
    virtual ~RandomSource() = default;
    RandomSource(const RandomSource&) = default;
    RandomSource& operator=(const RandomSource&) = default;

    // A uniform draw in [0, 1).
    virtual double Draw();

    // Stirs the time of day into the current state rather than restarting a
    // fixed sequence: questions made within one clock tick must still differ.
    virtual void Reseed();

private:
    Clock clock_;
    std::uint64_t state_;
};

}  // namespace tavrin
