#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/wall_clock.h"

namespace {
// FILETIME counts 100-nanosecond units.
static_assert(kClockUnitsPerMs == 10'000);
constexpr std::uint64_t kSecond = 1000 * kClockUnitsPerMs;
constexpr std::uint64_t kStart = 133'000'000'000'000'000; // a FILETIME of the 2020s
} // namespace

TEST(WaitIsOver, EndsExactlyWhenTheDelayHasPassed) {
    EXPECT_FALSE(WaitIsOver(kStart, kStart, 1000));
    EXPECT_FALSE(WaitIsOver(kStart, kStart + kSecond - 1, 1000));
    EXPECT_TRUE(WaitIsOver(kStart, kStart + kSecond, 1000));
    EXPECT_TRUE(WaitIsOver(kStart, kStart + 2 * kSecond, 2000));
    EXPECT_FALSE(WaitIsOver(kStart, kStart + 2 * kSecond - 1, 2000));
    EXPECT_TRUE(WaitIsOver(kStart, kStart, 0)); // a zero delay is over at the first look
}

TEST(WaitIsOver, ClockSetBackEndsTheWaitAtTheNextLook) {
    // One unit back, or a whole hour back: the difference wraps to a huge number.
    EXPECT_TRUE(WaitIsOver(kStart, kStart - 1, 1000));
    EXPECT_TRUE(WaitIsOver(kStart, kStart - 3600 * kSecond, 5000));
}

TEST(WaitIsOver, ClockSetForwardShortensTheWaitByTheSameAmount) {
    // 300 ms really passed, then the clock jumped 1.7 s forward: a 2 s wait is over.
    const std::uint64_t jumped = kStart + 300 * kClockUnitsPerMs + 1700 * kClockUnitsPerMs;
    EXPECT_TRUE(WaitIsOver(kStart, jumped, 2000));
    EXPECT_FALSE(WaitIsOver(kStart, jumped - 1, 2000));
}

TEST(WaitIsOver, CountsAcrossTheTopOfTheRange) {
    const std::uint64_t nearTop = std::numeric_limits<std::uint64_t>::max() - kSecond / 2;
    EXPECT_FALSE(WaitIsOver(nearTop, nearTop + kSecond / 4, 1000)); // still below the top
    EXPECT_TRUE(WaitIsOver(nearTop, nearTop + kSecond, 1000));      // wrapped past it
}
