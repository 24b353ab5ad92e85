#include <gtest/gtest.h>

#include "app/retry_pacing.h"

TEST(RetryPauseMs, DoublesFromFiveSecondsToAMinuteAndStaysThere) {
    EXPECT_EQ(RetryPauseMs(0), 0u);
    EXPECT_EQ(RetryPauseMs(1), 5000u);
    EXPECT_EQ(RetryPauseMs(2), 10000u);
    EXPECT_EQ(RetryPauseMs(3), 20000u);
    EXPECT_EQ(RetryPauseMs(4), 40000u);
    EXPECT_EQ(RetryPauseMs(5), 60000u);
    EXPECT_EQ(RetryPauseMs(6), 60000u);
    EXPECT_EQ(RetryPauseMs(4000000000u), 60000u);
}

TEST(RetryPauseIsOver, CountsByUnsignedDifferenceAcrossTheWrap) {
    EXPECT_FALSE(RetryPauseIsOver(1000, 5000, 5999));
    EXPECT_TRUE(RetryPauseIsOver(1000, 5000, 6000));
    EXPECT_TRUE(RetryPauseIsOver(1000, 0, 1000)); // a lost connection: no pause
    constexpr std::uint32_t kBeforeWrap = 0xFFFFF000u;
    EXPECT_FALSE(RetryPauseIsOver(kBeforeWrap, 5000, 0x00000100u)); // 4352 ms later
    EXPECT_TRUE(RetryPauseIsOver(kBeforeWrap, 5000, 0x00000388u));  // 5000 ms later
}

TEST(RetryPause, IsDrawnEvenlyBelowItsBoundUnlessTheServiceNamesAWait) {
    EXPECT_EQ(JitteredRetryPauseMs(3, 0), 0u);
    EXPECT_EQ(JitteredRetryPauseMs(3, 0xFFFFFFFFu), 20000u);
    EXPECT_EQ(JitteredRetryPauseMs(0, 0xFFFFFFFFu), 0u);
    // Even: each tenth of the draws lands in its tenth of the pauses.
    for (std::uint64_t tenth = 0; tenth < 10; ++tenth) {
        const auto draw = static_cast<std::uint32_t>((tenth << 32) / 10 + 1);
        EXPECT_EQ(JitteredRetryPauseMs(5, draw) / 6000, tenth);
    }
    EXPECT_EQ(PauseAfterFailureMs(1, 0, 20000), 20000u);
    EXPECT_EQ(PauseAfterFailureMs(1, 0, kLongestServiceWaitMs + 1), kLongestServiceWaitMs);
    EXPECT_EQ(PauseAfterFailureMs(1, 0xFFFFFFFFu, 0), 5000u);
}
