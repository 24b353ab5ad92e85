#include <gtest/gtest.h>

#include "core/tick_count_extension.h"

TEST(ExtendTickCount, GoesOnAcrossTheWrapAndNeverBack) {
    EXPECT_EQ(ExtendTickCount(0, 1234), 1234u);
    EXPECT_EQ(ExtendTickCount(0, 0xC0000000u), 0xC0000000u); // first read after 37 days up
    EXPECT_EQ(ExtendTickCount(1234, 1300), 1300u);
    // GetTickCount starts again at 0 after 2^32 ms; the extended count carries on.
    EXPECT_EQ(ExtendTickCount(0xFFFFFF00u, 0x100), 0x100000100u);
    EXPECT_EQ(ExtendTickCount(0x300000005u, 0x10), 0x300000010u);
    // A caller that read the clock before another one answered a later count.
    EXPECT_EQ(ExtendTickCount(0x100000100u, 0xF0), 0x100000100u);
    EXPECT_EQ(ExtendTickCount(0x100000100u, 0xFFFFFFF0u), 0x100000100u);
}
