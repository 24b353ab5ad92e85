// The stage timer, the watchdog's cadence and its one-at-a-time rule, and the
// slideshow tick, each against a window that records what reaches it.
#include <gtest/gtest.h>

#include "app/app_object.h"
#include "app/messages.h"
#include "net/net_watch.h"
#include "net/timers.h"
#include "tests/install/recording_window.h"

namespace {
// Slack for thread start-up and the 100 ms looks under Wine.
constexpr ULONGLONG kSlackMs = 400;

void* DelayArgument(DWORD ms) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(ms));
}

class TimersTest : public ::testing::Test {
protected:
    void SetUp() override {
        app->quitRequested.store(0);
        app->page.store(PAGE_AGREE);
        app->mainWindow = window.hwnd();
    }
    void TearDown() override {
        // Every watcher of this test must be gone before the next one starts.
        app->page.store(PAGE_AGREE);
        window.PumpUntil([] { return !NetWatchIsWatching(); }, 2000);
        app->mainWindow = nullptr;
    }

    VBindCallback* app = GetApp();
    RecordingWindow window;
};
} // namespace

TEST_F(TimersTest, StageTimerReportsThePageOfTheMomentItRunsOut) {
    app->page.store(PAGE_VERIFY);
    const ULONGLONG start = GetTickCount64();
    HANDLE timer = StartThread(StageTimerThread, DelayArgument(1000));
    window.PumpFor(300);
    app->page.store(PAGE_REMOVE_OLD); // the wizard moves on during the wait
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_STAGE_TIMER) > 0; }, 3000));
    const ReceivedMessage report = window.Received(UM_STAGE_TIMER).front();
    EXPECT_EQ(report.wParam, static_cast<WPARAM>(PAGE_REMOVE_OLD));
    EXPECT_GE(report.atMs - start, 1000u - 20);
    EXPECT_LE(report.atMs - start, 1000u + kSlackMs);
    EXPECT_TRUE(window.JoinThread(timer, 1000));
    CloseHandle(timer);
    window.PumpFor(300);
    EXPECT_EQ(window.Count(UM_STAGE_TIMER), 1u); // one message, then the thread is gone
}

TEST_F(TimersTest, StartStageTimerSendsToTheMainWindowAfterItsDelay) {
    app->page.store(PAGE_INSTALL);
    const ULONGLONG start = GetTickCount64();
    StartStageTimer(2000);
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_STAGE_TIMER) > 0; }, 4000));
    const ReceivedMessage report = window.Received(UM_STAGE_TIMER).front();
    EXPECT_EQ(report.wParam, static_cast<WPARAM>(PAGE_INSTALL));
    EXPECT_GE(report.atMs - start, 2000u - 20);
    EXPECT_LE(report.atMs - start, 2000u + kSlackMs);
}

TEST_F(TimersTest, QuitDuringTheStageWaitSendsNothing) {
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

TEST_F(TimersTest, WatchdogReportsFiveSecondsAfterStartThenFiveAfterEachHandledReport) {
    constexpr DWORD kHandlingMs = 1000; // a main window busy with each report
    window.DelayHandling(UM_NET_STATE, kHandlingMs);
    app->page.store(PAGE_DOWNLOAD);
    const ULONGLONG start = GetTickCount64();
    HANDLE watchdog = StartThread(NetWatchThread, window.hwnd());
    ASSERT_TRUE(window.PumpUntil([] { return NetWatchIsWatching(); }, 2000));
    // Asking for more watchdogs while one watches starts none: a second NetWatchThread
    // ends at once and StartNetWatchIfIdle does nothing.
    HANDLE second = StartThread(NetWatchThread, window.hwnd());
    EXPECT_TRUE(window.JoinThread(second, 1000));
    CloseHandle(second);
    StartNetWatchIfIdle(window.hwnd());

    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_NET_STATE) >= 3; }, 25000));
    const auto reports = window.Received(UM_NET_STATE);
    EXPECT_GE(reports[0].atMs - start, 5000u - 20);
    EXPECT_LE(reports[0].atMs - start, 5000u + kSlackMs);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const ULONGLONG sinceHandled = reports[i].atMs - (reports[i - 1].atMs + kHandlingMs);
        EXPECT_GE(sinceHandled, 5000u - 20) << "report " << i;
        EXPECT_LE(sinceHandled, 5000u + kSlackMs) << "report " << i;
    }
    for (const ReceivedMessage& report : reports) {
        EXPECT_LE(report.wParam, 1u);
    }

    app->page.store(PAGE_VERIFY); // the download is complete: the watchdog ends
    EXPECT_TRUE(window.JoinThread(watchdog, 2000));
    CloseHandle(watchdog);
    EXPECT_FALSE(NetWatchIsWatching());
}

TEST_F(TimersTest, WatchdogEndsOnQuitEvenOnTheDownloadPage) {
    app->page.store(PAGE_DOWNLOAD);
    HANDLE watchdog = StartThread(NetWatchThread, window.hwnd());
    ASSERT_TRUE(window.PumpUntil([] { return NetWatchIsWatching(); }, 2000));
    app->quitRequested.store(1);
    EXPECT_TRUE(window.JoinThread(watchdog, 1000));
    CloseHandle(watchdog);
    window.PumpFor(5500); // past the first report a watching watchdog would send
    EXPECT_EQ(window.Count(UM_NET_STATE), 0u);
}

TEST_F(TimersTest, FreshDownloadAfterTheWatchdogStoppedIsWatchedAgain) {
    app->page.store(PAGE_DOWNLOAD);
    HANDLE first = StartThread(NetWatchThread, window.hwnd());
    ASSERT_TRUE(window.PumpUntil([] { return NetWatchIsWatching(); }, 2000));
    // The checksum did not match: the page passes through the verification and back
    // to the download at once, the way the main window does it, while the watchdog
    // may be in the middle of deciding to end.
    app->page.store(PAGE_VERIFY);
    Sleep(100);
    app->page.store(PAGE_DOWNLOAD);
    StartNetWatchIfIdle(window.hwnd());
    const ULONGLONG restarted = GetTickCount64();

    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_NET_STATE) >= 1; }, 7000));
    EXPECT_LE(window.Received(UM_NET_STATE)[0].atMs - restarted, 5000u + kSlackMs);
    // Exactly one watchdog reports: a second would double the reports of a period.
    const ULONGLONG periodEnd = restarted + 5000 + 4000;
    const ULONGLONG now = GetTickCount64();
    window.PumpFor(periodEnd > now ? static_cast<DWORD>(periodEnd - now) : 0);
    EXPECT_EQ(window.Count(UM_NET_STATE), 1u);

    app->page.store(PAGE_AGREE);
    EXPECT_TRUE(window.JoinThread(first, 2000));
    CloseHandle(first);
    EXPECT_TRUE(window.PumpUntil([] { return !NetWatchIsWatching(); }, 2000));
}

TEST_F(TimersTest, SlideTickIsPostedAtOnceThenEveryThreeSecondsUntilTheFinishPage) {
    app->page.store(PAGE_DOWNLOAD);
    const ULONGLONG start = GetTickCount64();
    HANDLE ticker = StartThread(SlideTickThread, window.hwnd());
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_SLIDE_TICK) >= 3; }, 9000));
    const auto ticks = window.Received(UM_SLIDE_TICK);
    EXPECT_LE(ticks[0].atMs - start, 300u);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i].atMs - ticks[i - 1].atMs, 3000u - 20) << "tick " << i;
        EXPECT_LE(ticks[i].atMs - ticks[i - 1].atMs, 3000u + kSlackMs) << "tick " << i;
    }
    app->page.store(PAGE_INSTALL); // ticks go on on other pages ...
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_SLIDE_TICK) >= 4; }, 4000));
    app->page.store(PAGE_DONE); // ... and stop on the finish page
    const std::size_t before = window.Count(UM_SLIDE_TICK);
    EXPECT_TRUE(window.JoinThread(ticker, 3000 + kSlackMs));
    CloseHandle(ticker);
    window.PumpFor(200);
    EXPECT_EQ(window.Count(UM_SLIDE_TICK), before);
}
