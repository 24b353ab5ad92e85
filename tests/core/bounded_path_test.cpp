#include <gtest/gtest.h>

#include "core/bounded_path.h"

TEST(JoinWithin, JoinsWithOneBackslashWhenItFits) {
    EXPECT_EQ(JoinWithin(L"C:\\Users\\a", L"Image", 260), L"C:\\Users\\a\\Image");
}

TEST(JoinWithin, RefusesRatherThanCuttingAtTheCapacity) {
    const std::wstring folder(254, L'x');
    // 254 + 1 + 4 = 259 units and the terminator: exactly 260.
    EXPECT_EQ(JoinWithin(folder, L"abcd", 260)->size(), 259u);
    EXPECT_FALSE(JoinWithin(folder, L"abcde", 260).has_value());
    EXPECT_FALSE(JoinWithin(std::wstring(5000, L'y'), L"Image", 260).has_value());
}
