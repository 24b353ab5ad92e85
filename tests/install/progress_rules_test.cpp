#include <gtest/gtest.h>

#include <cstdint>

#include "install/progress_rules.h"

namespace {
constexpr std::uint32_t kGrace = 5000;
}

TEST(JudgeInstallPoll, HundredOrMoreFinishesWhateverTheInstallerDoes) {
    EXPECT_EQ(JudgeInstallPoll(100, std::nullopt, 0, 0, kGrace), InstallPollVerdict::kFinished);
    EXPECT_EQ(JudgeInstallPoll(150, std::nullopt, 0, 0, kGrace), InstallPollVerdict::kFinished);
    EXPECT_EQ(JudgeInstallPoll(0x80000000u, std::nullopt, 0, 0, kGrace),
              InstallPollVerdict::kFinished);
    // Written just before the installer ended, read during or after the grace.
    EXPECT_EQ(JudgeInstallPoll(100, 1000, 0, 1000 + kGrace * 3, kGrace),
              InstallPollVerdict::kFinished);
}

TEST(JudgeInstallPoll, RunningInstallerIsWaitedForWithoutLimit) {
    EXPECT_EQ(JudgeInstallPoll(0, std::nullopt, 0, 0, kGrace), InstallPollVerdict::kKeepPolling);
    EXPECT_EQ(JudgeInstallPoll(99, std::nullopt, 0, 10'000'000, kGrace),
              InstallPollVerdict::kKeepPolling);
}

TEST(JudgeInstallPoll, EndedInstallerGetsItsGraceThenCountsAsGivenUp) {
    EXPECT_EQ(JudgeInstallPoll(50, 1000, 0, 1000, kGrace), InstallPollVerdict::kKeepPolling);
    EXPECT_EQ(JudgeInstallPoll(50, 1000, 0, 1000 + kGrace - 1, kGrace),
              InstallPollVerdict::kKeepPolling);
    EXPECT_EQ(JudgeInstallPoll(50, 1000, 0, 1000 + kGrace, kGrace),
              InstallPollVerdict::kInstallerQuit);
    EXPECT_EQ(JudgeInstallPoll(0, 0, 0, kGrace, kGrace), InstallPollVerdict::kInstallerQuit);
}

// An installer that handed its work over: while the value moves, the grace counts from
// its last change, not from the exit of the process that was started.
TEST(JudgeInstallPoll, GraceCountsFromTheLaterOfTheExitAndTheLastChange) {
    EXPECT_EQ(JudgeInstallPoll(40, 1000, 1000 + kGrace * 2, 1000 + kGrace * 3 - 1, kGrace),
              InstallPollVerdict::kKeepPolling);
    EXPECT_EQ(JudgeInstallPoll(40, 1000, 1000 + kGrace * 2, 1000 + kGrace * 3, kGrace),
              InstallPollVerdict::kInstallerQuit);
    EXPECT_EQ(JudgeInstallPoll(40, 1000 + kGrace, 1000, 1000 + kGrace * 2 - 1, kGrace),
              InstallPollVerdict::kKeepPolling);
}

TEST(JudgeInstallPoll, GraceCountsRightAcrossTheTickCountWrap) {
    constexpr std::uint32_t kEnded = 0xFFFFF000u; // 4 s before GetTickCount wraps
    EXPECT_EQ(JudgeInstallPoll(50, kEnded, kEnded, 0xFFFFFFFFu, kGrace),
              InstallPollVerdict::kKeepPolling);
    EXPECT_EQ(JudgeInstallPoll(50, kEnded, kEnded, kEnded + kGrace - 1, kGrace),
              InstallPollVerdict::kKeepPolling);
    EXPECT_EQ(JudgeInstallPoll(50, kEnded, kEnded, kEnded + kGrace, kGrace),
              InstallPollVerdict::kInstallerQuit);
}

TEST(ReportedInstallPercent, AnythingFromHundredUpShowsAsHundred) {
    EXPECT_EQ(ReportedInstallPercent(0), 0u);
    EXPECT_EQ(ReportedInstallPercent(99), 99u);
    EXPECT_EQ(ReportedInstallPercent(100), 100u);
    EXPECT_EQ(ReportedInstallPercent(101), 100u);
    EXPECT_EQ(ReportedInstallPercent(0xFFFFFFFFu), 100u); // would wrap the bar round
}
