// The support log's bound: what is kept begins at a whole line and holds the newest.
#include <gtest/gtest.h>

#include <string>

#include "core/log_bound.h"

namespace {

TEST(LogBound, KeepsTheNewestWholeLinesWithinTheBound) {
    EXPECT_EQ(NewerPartStart("a\nb\n", 4), 0u) << "all of it fits";
    EXPECT_EQ(NewerPartStart("aa\nbb\ncc\n", 6), 3u) << "cut exactly at a line";
    EXPECT_EQ(NewerPartStart("aa\nbb\ncc\n", 5), 6u) << "the cut line goes";
    EXPECT_EQ(NewerPartStart("aaaaaa", 3), 6u) << "no line begins within the bound";
    EXPECT_EQ(NewerPartStart("aa\nbbbbbb", 4), 9u) << "the last line alone is too long";

    // A log written a line at a time, trimmed whenever the next line would pass the bound:
    // never past it, and what is left is the newest lines, whole and in order.
    std::string log;
    for (int number = 0; number < 40000; ++number) {
        const std::string line = "line " + std::to_string(number) + "\r\n";
        const bool trim = PassesBound(log.size(), line.size());
        log += line;
        if (trim) {
            log.erase(0, NewerPartStart(log, kSupportLogBound / 2));
        }
        ASSERT_LE(log.size(), kSupportLogBound);
    }
    ASSERT_GT(log.size(), kSupportLogBound / 4);
    EXPECT_TRUE(log.ends_with("line 39999\r\n"));
    int expected = std::stoi(log.substr(5));
    for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
        ASSERT_EQ(log.substr(at, log.find('\r', at) - at), "line " + std::to_string(expected));
        ++expected;
    }
    EXPECT_EQ(expected, 40000);
}

} // namespace
