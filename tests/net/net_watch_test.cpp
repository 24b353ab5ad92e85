// The watchdog's cadence and its one-at-a-time rule, against a window that records
// what reaches it.
#include <gtest/gtest.h>

#include "core/messages.h"
#include "net/net_watch.h"
#include "tests/install/worker_test.h"

namespace {
// Every watcher of a test must be gone before the next one starts.
class NetWatchTest : public WorkerTest {
protected:
    void TearDown() override {
        app->page.store(PAGE_AGREE);
        window.PumpUntil([] { return !NetWatchIsWatching(); }, 2000);
        WorkerTest::TearDown();
    }
};
} // namespace

TEST_F(NetWatchTest, WatchdogReportsFiveSecondsAfterStartThenFiveAfterEachHandledReport) {
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
    EXPECT_LE(reports[0].atMs - start, 5000u + kWorkerSlackMs);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const ULONGLONG sinceHandled = reports[i].atMs - (reports[i - 1].atMs + kHandlingMs);
        EXPECT_GE(sinceHandled, 5000u - 20) << "report " << i;
        EXPECT_LE(sinceHandled, 5000u + kWorkerSlackMs) << "report " << i;
    }
    for (const ReceivedMessage& report : reports) {
        EXPECT_LE(report.wParam, 1u);
    }

    app->page.store(PAGE_VERIFY); // the download is complete: the watchdog ends
    EXPECT_TRUE(window.JoinThread(watchdog, 2000));
    CloseHandle(watchdog);
    EXPECT_FALSE(NetWatchIsWatching());
}

TEST_F(NetWatchTest, WatchdogEndsOnQuitEvenOnTheDownloadPage) {
    app->page.store(PAGE_DOWNLOAD);
    HANDLE watchdog = StartThread(NetWatchThread, window.hwnd());
    ASSERT_TRUE(window.PumpUntil([] { return NetWatchIsWatching(); }, 2000));
    app->quitRequested.store(1);
    EXPECT_TRUE(window.JoinThread(watchdog, 1000));
    CloseHandle(watchdog);
    window.PumpFor(5500); // past the first report a watching watchdog would send
    EXPECT_EQ(window.Count(UM_NET_STATE), 0u);
}

TEST_F(NetWatchTest, FreshDownloadAfterTheWatchdogStoppedIsWatchedAgain) {
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
    EXPECT_LE(window.Received(UM_NET_STATE)[0].atMs - restarted, 5000u + kWorkerSlackMs);
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
