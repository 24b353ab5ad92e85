// The watchdog's cadence and its one-at-a-time rule, against a window that records
// what reaches it.
#include <gtest/gtest.h>

#include "core/messages.h"
#include "core/wall_clock.h"
#include "net/net_watch.h"
#include "tests/install/worker_test.h"

namespace {
// Every watchdog of a test must be gone before the next test's window exists: it would
// take the watch back for the next download page and report to this test's window.
// It looks at the page every 100 ms; nothing outside shows when it has ended.
class NetWatchTest : public WorkerTest {
protected:
    void TearDown() override {
        app->page.store(PAGE_AGREE);
        window.PumpFor(3 * kClockLookIntervalMs);
        WorkerTest::TearDown();
    }
};
} // namespace

TEST_F(NetWatchTest, WatchdogReportsFiveSecondsAfterStartThenFiveAfterEachHandledReport) {
    constexpr DWORD kHandlingMs = 1000; // a main window busy with each report
    window.DelayHandling(UM_NET_STATE, kHandlingMs);
    app->page.store(PAGE_DOWNLOAD);
    const ULONGLONG start = GetTickCount64();
    StartNetWatchIfIdle(window.hwnd());
    // Asking again while one watches starts none: two would double every report.
    window.PumpFor(200);
    StartNetWatchIfIdle(window.hwnd());

    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_NET_STATE) >= 3; }, 25000));
    const auto reports = window.Received(UM_NET_STATE);
    EXPECT_GE(reports[0].atMs - start, 5000u - 20);
    EXPECT_LE(reports[0].atMs - start, 5000u + kWorkerSlackMs);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const ULONGLONG sinceHandled = reports[i].atMs - (reports[i - 1].atMs + kHandlingMs);
        EXPECT_GE(sinceHandled, 5000u - 20) << "report " << i;
        EXPECT_LE(sinceHandled, 5000u + kWorkerSlackMs) << "report " << i;
    }
    for (const ReceivedMessage& report : reports) {
        EXPECT_LE(report.wParam, 1u);
    }
}

TEST_F(NetWatchTest, WatchdogEndsOnQuitEvenOnTheDownloadPage) {
    app->page.store(PAGE_DOWNLOAD);
    StartNetWatchIfIdle(window.hwnd());
    window.PumpFor(300);
    app->quitRequested.store(1);
    window.PumpFor(5500); // past the first report a watching watchdog would send
    EXPECT_EQ(window.Count(UM_NET_STATE), 0u);
}

TEST_F(NetWatchTest, FreshDownloadAfterTheWatchdogStoppedIsWatchedAgain) {
    app->page.store(PAGE_DOWNLOAD);
    StartNetWatchIfIdle(window.hwnd());
    window.PumpFor(300);
    // The checksum did not match: the page passes through the verification and back
    // to the download at once, the way the main window does it, while the watchdog
    // may be in the middle of deciding to end.
    app->page.store(PAGE_VERIFY);
    Sleep(100);
    app->page.store(PAGE_DOWNLOAD);
    StartNetWatchIfIdle(window.hwnd());
    const ULONGLONG restarted = GetTickCount64();

    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_NET_STATE) >= 1; }, 7000));
    EXPECT_LE(window.Received(UM_NET_STATE)[0].atMs - restarted, 5000u + kWorkerSlackMs);
    // Exactly one watchdog reports: a second would double the reports of a period.
    const ULONGLONG periodEnd = restarted + 5000 + 4000;
    const ULONGLONG now = GetTickCount64();
    window.PumpFor(periodEnd > now ? static_cast<DWORD>(periodEnd - now) : 0);
    EXPECT_EQ(window.Count(UM_NET_STATE), 1u);
}
