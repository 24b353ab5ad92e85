// The stage timer and the slideshow tick, each against a window that records what
// reaches it.
#include <gtest/gtest.h>

#include "app/wizard_timers.h"
#include "core/messages.h"
#include "tests/install/worker_test.h"

namespace {
void* DelayArgument(DWORD ms) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(ms));
}

using WizardTimersTest = WorkerTest;
} // namespace

TEST_F(WizardTimersTest, StageTimerReportsThePageOfTheMomentItRunsOut) {
    app->page.store(PAGE_VERIFY);
    const ULONGLONG start = GetTickCount64();
    HANDLE timer = StartThread(StageTimerThread, DelayArgument(1000));
    window.PumpFor(300);
    app->page.store(PAGE_REMOVE_OLD); // the wizard moves on during the wait
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_STAGE_TIMER) > 0; }, 3000));
    const ReceivedMessage report = window.Received(UM_STAGE_TIMER).front();
    EXPECT_EQ(report.wParam, static_cast<WPARAM>(PAGE_REMOVE_OLD));
    EXPECT_GE(report.atMs - start, 1000u - 20);
    EXPECT_LE(report.atMs - start, 1000u + kWorkerSlackMs);
    EXPECT_TRUE(window.JoinThread(timer, 1000));
    CloseHandle(timer);
    window.PumpFor(300);
    EXPECT_EQ(window.Count(UM_STAGE_TIMER), 1u); // one message, then the thread is gone
}

TEST_F(WizardTimersTest, StartStageTimerSendsToTheMainWindowAfterItsDelay) {
    app->page.store(PAGE_INSTALL);
    const ULONGLONG start = GetTickCount64();
    StartStageTimer(2000);
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_STAGE_TIMER) > 0; }, 4000));
    const ReceivedMessage report = window.Received(UM_STAGE_TIMER).front();
    EXPECT_EQ(report.wParam, static_cast<WPARAM>(PAGE_INSTALL));
    EXPECT_GE(report.atMs - start, 2000u - 20);
    EXPECT_LE(report.atMs - start, 2000u + kWorkerSlackMs);
}

TEST_F(WizardTimersTest, QuitDuringTheStageWaitSendsNothing) {
    app->page.store(PAGE_REMOVE_OLD);
    HANDLE timer = StartThread(StageTimerThread, DelayArgument(1000));
    window.PumpFor(300);
    const ULONGLONG quitAt = GetTickCount64();
    app->quitRequested.store(1);
    // The thread ends at its next look, long before its delay would have run out.
    ASSERT_TRUE(window.JoinThread(timer, 2000));
    EXPECT_LE(GetTickCount64() - quitAt, 300u);
    CloseHandle(timer);
    window.PumpFor(1000);
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
