// The stage timer and the slideshow tick, each against a window that records what
// reaches it.
#include <gtest/gtest.h>

#include "app/wizard_timers.h"
#include "core/messages.h"
#include "tests/install/worker_test.h"

namespace {
using WizardTimersTest = WorkerTest;
} // namespace

// Each timer names its arming, and tells the page of the moment it runs out: the
// window decides whether that still holds.
TEST_F(WizardTimersTest, StageTimerReportsItsArmingAndThePageOfTheMomentItRunsOut) {
    app->page.store(PAGE_VERIFY);
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(StartStageTimer(1000, 7));
    ASSERT_TRUE(StartStageTimer(2000, 8));
    window.PumpFor(300);
    app->page.store(PAGE_REMOVE_OLD); // the wizard moves on during the wait
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_STAGE_TIMER) == 2; }, 4000));
    const auto reports = window.Received(UM_STAGE_TIMER);
    EXPECT_EQ(reports[0].wParam, static_cast<WPARAM>(PAGE_REMOVE_OLD));
    EXPECT_EQ(reports[0].lParam, 7);
    EXPECT_GE(reports[0].atMs - start, 1000u - 20);
    EXPECT_LE(reports[0].atMs - start, 1000u + kWorkerSlackMs);
    EXPECT_EQ(reports[1].lParam, 8);
    EXPECT_GE(reports[1].atMs - start, 2000u - 20);
    EXPECT_LE(reports[1].atMs - start, 2000u + kWorkerSlackMs);
    window.PumpFor(300);
    EXPECT_EQ(window.Count(UM_STAGE_TIMER), 2u); // one message each, then they are gone
}

TEST_F(WizardTimersTest, QuitDuringTheStageWaitSendsNothing) {
    app->page.store(PAGE_REMOVE_OLD);
    ASSERT_TRUE(StartStageTimer(1000, 1));
    window.PumpFor(300);
    app->quitRequested.store(1);
    window.PumpFor(1500); // past the delay
    EXPECT_EQ(window.Count(UM_STAGE_TIMER), 0u);
}

TEST_F(WizardTimersTest, SlideTickIsPostedAtOnceThenEveryThreeSecondsUntilTheFinishPage) {
    app->page.store(PAGE_DOWNLOAD);
    const ULONGLONG start = GetTickCount64();
    HANDLE ticker = StartThread(SlideTickThread, window.hwnd());
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_SLIDE_TICK) >= 3; }, 9000));
    const auto ticks = window.Received(UM_SLIDE_TICK);
    EXPECT_LE(ticks[0].atMs - start, 300u);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i].atMs - ticks[i - 1].atMs, 3000u - 20) << "tick " << i;
        EXPECT_LE(ticks[i].atMs - ticks[i - 1].atMs, 3000u + kWorkerSlackMs) << "tick " << i;
    }
    app->page.store(PAGE_INSTALL); // ticks go on on other pages ...
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_SLIDE_TICK) >= 4; }, 4000));
    app->page.store(PAGE_DONE); // ... and stop on the finish page
    const std::size_t before = window.Count(UM_SLIDE_TICK);
    EXPECT_TRUE(window.JoinThread(ticker, 3000 + kWorkerSlackMs));
    CloseHandle(ticker);
    window.PumpFor(200);
    EXPECT_EQ(window.Count(UM_SLIDE_TICK), before);
}
