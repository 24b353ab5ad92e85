// The support log read back: a log of a real upgrade (made by Tidewell.exe under Wine, a
// link loss included) and logs of modelled runs reproduce their actions when replayed,
// a replay notices a recorded action the machine would not have taken, and the reader
// of event lines takes back exactly what was written and nothing garbled.
#include <gtest/gtest.h>

#include <random>

#include "app/support_log_lines.h"
#include "support_log_replay.h"
#include "wizard_world.h"

extern const char kUpgradeWithLinkLossLog[]; // tests/app/data/upgrade_with_link_loss.log

namespace {

std::string Sample() {
    return kUpgradeWithLinkLossLog;
}

TEST(SupportLog, ARealUpgradeWithALinkLossReplays) {
    const std::string log = Sample();
    const ReplayResult result = ReplayLog(log);
    ASSERT_FALSE(result.mismatch) << *result.mismatch;
    EXPECT_EQ(result.runs, 1u);
    EXPECT_GT(result.events, 20u);
    // The link lost twice while the installer came, then verified, installed, finished.
    for (const char* step :
         {"download event NetState flag=0", "action GoToPage value=2",
          "event AttemptEnded attempt=1 outcome=Stopped", "event NetState flag=1",
          "action StartAttempt attempt=2", "action StartAttempt attempt=3",
          "event AttemptEnded attempt=3 outcome=Placed", "event Verdict attempt=3 flag=1",
          "action StartInstaller", "action GoToPage value=4"}) {
        EXPECT_NE(log.find(step), std::string::npos) << step;
    }
}

TEST(SupportLog, AReplayNoticesAnActionTheMachineWouldNotTake) {
    const std::string log = Sample();
    const std::size_t second = log.find("action StartAttempt attempt=2");
    ASSERT_NE(second, std::string::npos);
    std::string altered = log;
    altered.replace(second, 29, "action StartAttempt attempt=3");
    const ReplayResult changed = ReplayLog(altered);
    ASSERT_TRUE(changed.mismatch);
    EXPECT_NE(changed.mismatch->find("attempt=3"), std::string::npos) << *changed.mismatch;

    const std::size_t installer = log.find("action StartInstaller");
    ASSERT_NE(installer, std::string::npos);
    std::string dropped = log;
    dropped.erase(installer - 1, log.find('\n', installer) - installer + 1);
    ASSERT_TRUE(ReplayLog(dropped).mismatch) << "a missing action passes unseen";
}

// Every modelled run, late and repeated reports and all, replays from its log.
TEST(SupportLog, LogsOfRandomRunsReplay) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        WizardWorld world(seed % 2 == 0, seed % 4 < 2);
        for (int move = 0; move < 300 && world.Move(random()); ++move) {
        }
        const ReplayResult result = ReplayLog(world.Log());
        ASSERT_FALSE(result.mismatch) << "seed " << seed << ": " << *result.mismatch;
        ASSERT_EQ(result.runs, 1u);
    }
}

// A report that changes nothing and does what the one before did is counted, not written.
TEST(SupportLog, RepeatedStepsAreCountedNotWritten) {
    StepLog log;
    WizardState state;
    const auto step = [&](const WizardEvent& event) {
        const WizardStep next = Advance(state, event);
        const std::vector<std::string> lines = log.Lines(0, state, event, next);
        state = next.state;
        return lines;
    };
    WizardEvent start{EventKind::StartClicked};
    start.flag = true;
    step(start);
    WizardEvent progress{EventKind::DownloadProgress};
    progress.attempt = 1;
    progress.total = 1000;
    progress.done = 300;
    EXPECT_FALSE(step(progress).empty());
    progress.done = 301; // still 30 %
    EXPECT_TRUE(step(progress).empty());
    EXPECT_TRUE(step(progress).empty());
    progress.done = 400;
    const std::vector<std::string> next = step(progress);
    ASSERT_GE(next.size(), 2u);
    EXPECT_EQ(next[0], "# 2 more like the step above");
    EXPECT_EQ(next[1], "0 download event DownloadProgress attempt=1 total=1000 done=400");
}

TEST(SupportLog, EventLinesReadBackExactlyAndGarbageIsRefused) {
    for (int kind = 0; kind <= static_cast<int>(EventKind::WindowDestroyed); ++kind) {
        WizardEvent event{static_cast<EventKind>(kind)};
        event.attempt = 7;
        event.total = 4294967295u;
        event.done = 12345;
        event.outcome = AttemptOutcome::DiskFull;
        event.flag = true;
        event.oldEdition = true;
        event.timer = 3;
        event.page = -2;
        event.nowMs = 99;
        event.value = 150;
        event.status = 503;
        event.serviceWaitMs = 120000;
        event.draw = 4294967295u;
        const std::string line = FormatEventLine(4000000000u, PAGE_REMOVE_OLD, event);
        const std::optional<EventLine> parsed = ParseEventLine(line + "\r");
        ASSERT_TRUE(parsed) << line;
        EXPECT_EQ(parsed->event, event) << line;
        EXPECT_EQ(parsed->timeMs, 4000000000u);
        EXPECT_EQ(parsed->page, PAGE_REMOVE_OLD);
    }
    for (const char* garbage :
         {"", " ", "12", "12 agree event", "12 agree event Bogus", "12 nowhere event StartClicked",
          "-1 agree event StartClicked", "4294967296 agree event StartClicked",
          "12 agree action StartClicked", "12 agree event StartClicked flag=2",
          "12 agree event StartClicked flag", "12 agree event StartClicked flag=1 flag=1",
          "12 agree event AttemptEnded attempt=-1", "12 agree event AttemptEnded attempt=1x",
          "12 agree event AttemptEnded outcome=Lost", "12 agree event StartClicked colour=1",
          "12 agree  event StartClicked", "12 agree event StartClicked ", "# lost 3 lines"}) {
        EXPECT_FALSE(ParseEventLine(garbage)) << '"' << garbage << '"';
    }
    // Lines of the sample with bytes changed, cut or doubled: whatever is still read
    // reads back as itself once written again.
    const std::string log = Sample();
    std::mt19937 random(1);
    for (int round = 0; round < 20000; ++round) {
        const std::size_t at = random() % log.size();
        const std::size_t begin = log.rfind('\n', at) + 1;
        std::string line = log.substr(begin, log.find('\n', at) - begin);
        if (line.empty()) {
            continue;
        }
        const std::size_t where = random() % line.size();
        switch (random() % 4) {
        case 0:
            line[where] = static_cast<char>(random());
            break;
        case 1:
            line.resize(where);
            break;
        case 2:
            line.insert(where, line.substr(where));
            break;
        default:
            line.insert(where, 1, " =0123456789-"[random() % 13]);
            break;
        }
        if (const std::optional<EventLine> parsed = ParseEventLine(line)) {
            const std::string again = FormatEventLine(parsed->timeMs, parsed->page, parsed->event);
            const std::optional<EventLine> reread = ParseEventLine(again);
            ASSERT_TRUE(reread) << again;
            EXPECT_EQ(reread->event, parsed->event) << line;
        }
    }
}

} // namespace
