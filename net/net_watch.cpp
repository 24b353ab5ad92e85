#include "net/net_watch.h"

#include <wininet.h>

#include <atomic>
#include <cstdint>

#include "core/app_object.h"
#include "core/messages.h"
#include "core/wall_clock.h"
#include "core/worker_thread.h"

namespace {
constexpr std::uint64_t kReportIntervalMs = 5000;

// Up while a watchdog runs. Whoever raises it owns the watch; the owner lowers it when
// it ends.
std::atomic<bool> watching{false};

// The watchdog watches while the download runs or is paused offline, and never once
// the program is ending: after the quit sequence the window must not get more work.
bool PageWantsWatch() {
    const VBindCallback* app = GetApp();
    const int page = app->page.load();
    return app->quitRequested.load() == 0 && (page == PAGE_DOWNLOAD || page == PAGE_OFFLINE);
}

// The system's connected state alone: the watchdog sends no traffic of its own.
WPARAM ConnectedState() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) ? 1 : 0;
}

void WatchWhileThePageWants(HWND window) {
    std::uint64_t start = ReadWallClock();
    while (PageWantsWatch()) {
        if (WaitIsOver(start, ReadWallClock(), kReportIntervalMs)) {
            SendMessageW(window, UM_NET_STATE, ConnectedState(), 0);
            // The next report is due 5 s after this one was handled, not after it was sent.
            start = ReadWallClock();
        }
        Sleep(kClockLookIntervalMs);
    }
}

unsigned __stdcall NetWatchThread(void* mainWindow) {
    if (watching.exchange(true)) {
        return 0; // another watchdog is already reporting to the window
    }
    const HWND window = static_cast<HWND>(mainWindow);
    for (;;) {
        WatchWhileThePageWants(window);
        watching.store(false);
        // A fresh download may have been started between the last look at the page and
        // the flag going down: its request found the flag up and started nothing. Take
        // the watch back for it, unless another watchdog has already taken it.
        if (!PageWantsWatch() || watching.exchange(true)) {
            return 0;
        }
    }
}
} // namespace

void StartNetWatchIfIdle(HWND mainWindow) {
    // A thread started while another one watches ends at once; a watchdog about to end
    // takes the watch back itself, so nothing is lost when this sees the flag up.
    if (!watching.load()) {
        StartWorker(NetWatchThread, mainWindow);
    }
}
