#pragma once
#include <cstdint>

// The next value of a millisecond count extended past the 49.7-day wrap of
// GetTickCount: `last` is the previous answer (0: none yet), `now` the 32-bit count
// read now. The time between the two is taken modulo 2^32, so a wrap counts as time
// going on. A count read before a racing caller's later one (it lies just behind
// `last`) answers `last`, so the extended count never goes back. Needs a call at
// least every 24.8 days.
constexpr std::uint64_t ExtendTickCount(std::uint64_t last, std::uint32_t now) {
    if (last == 0) {
        return now;
    }
    const std::uint32_t elapsed = now - static_cast<std::uint32_t>(last);
    if (elapsed >= 0x80000000u) {
        return last;
    }
    return last + elapsed;
}
