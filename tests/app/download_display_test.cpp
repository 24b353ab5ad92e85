#include <gtest/gtest.h>

#include "app/download_display.h"

TEST(DownloadDisplay, FirstReportsBelowOnePercentShowOne) {
    const DownloadDisplay shown = ApplyDownloadReport(1, 0);
    EXPECT_EQ(shown.shownPercent, 1);
    EXPECT_FALSE(shown.barMoves);
    EXPECT_FALSE(shown.complete);
}

TEST(DownloadDisplay, NeverGoesBackAndANoTotalReportKeepsTheHighest) {
    DownloadDisplay state = ApplyDownloadReport(1, 40);
    EXPECT_TRUE(state.barMoves);
    EXPECT_EQ(state.maxPercent, 40);
    state = ApplyDownloadReport(state.maxPercent, 12); // a restarted transfer
    EXPECT_EQ(state.shownPercent, 40);
    EXPECT_FALSE(state.barMoves);
    state = ApplyDownloadReport(state.maxPercent, std::nullopt); // total 0
    EXPECT_EQ(state.shownPercent, 40);
    EXPECT_FALSE(state.complete);
    state = ApplyDownloadReport(state.maxPercent, 41);
    EXPECT_EQ(state.shownPercent, 41);
}

TEST(DownloadDisplay, AfterAFreshDownloadTheDisplayStartsFromZero) {
    const DownloadDisplay shown = ApplyDownloadReport(0, 0);
    EXPECT_EQ(shown.shownPercent, 0);
    EXPECT_TRUE(shown.barMoves);
}

TEST(DownloadDisplay, FullReportsCompleteEvenWhenTheyRepeat) {
    DownloadDisplay state = ApplyDownloadReport(97, 100);
    EXPECT_TRUE(state.complete);
    state = ApplyDownloadReport(state.maxPercent, 100);
    EXPECT_TRUE(state.complete);
    EXPECT_EQ(state.shownPercent, 100);
}
