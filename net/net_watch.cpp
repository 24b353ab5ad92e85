#include "net/net_watch.h"

#include <wininet.h>

#include <atomic>
#include <cstdint>

#include "app/app_object.h"
#include "app/messages.h"
#include "app/worker_thread.h"
#include "net/timers.h"
#include "net/timers_wait.h"

namespace {
constexpr std::uint64_t kReportIntervalMs = 5000;
constexpr DWORD kLookIntervalMs = 100;

// Up while a watchdog runs. Whoever raises it owns the watch; the owner lowers it when
// it ends.
std::atomic<bool> watching{false};

bool PageWantsWatch() {
    VBindCallback* app = GetApp();
    return WatchdogKeepsWatching(app->page.load(), app->quitRequested.load());
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
        Sleep(kLookIntervalMs);
    }
}

// Runs with the flag already raised by the caller.
unsigned OwnedWatch(HWND window) {
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

unsigned __stdcall ClaimedWatchThread(void* mainWindow) {
    return OwnedWatch(static_cast<HWND>(mainWindow));
}
} // namespace

unsigned __stdcall NetWatchThread(void* mainWindow) {
    if (watching.exchange(true)) {
        return 0; // another watchdog is already reporting to the window
    }
    return OwnedWatch(static_cast<HWND>(mainWindow));
}

void StartNetWatchIfIdle(HWND mainWindow) {
    if (watching.exchange(true)) {
        return;
    }
    if (!StartWorker(ClaimedWatchThread, mainWindow)) {
        watching.store(false); // nobody watches: the next request may start one
    }
}

bool NetWatchIsWatching() {
    return watching.load();
}
