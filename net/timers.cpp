#include "net/timers.h"

#include <cstdint>

#include "app/app_object.h"
#include "app/messages.h"
#include "app/worker_thread.h"
#include "net/timers_wait.h"

namespace {
constexpr DWORD kLookIntervalMs = 100;
constexpr DWORD kSlideIntervalMs = 3000;
} // namespace

std::uint64_t ReadWallClock() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME count{};
    SystemTimeToFileTime(&local, &count);
    return (static_cast<std::uint64_t>(count.dwHighDateTime) << 32) | count.dwLowDateTime;
}

void StartStageTimer(DWORD delayMs) {
    // The delay travels as the thread argument itself; nothing is allocated.
    void* argument = reinterpret_cast<void*>(static_cast<std::uintptr_t>(delayMs));
    StartWorker(StageTimerThread, argument);
}

unsigned __stdcall StageTimerThread(void* delayMs) {
    const std::uint64_t delay = reinterpret_cast<std::uintptr_t>(delayMs);
    VBindCallback* app = GetApp();
    const std::uint64_t start = ReadWallClock();
    for (;;) {
        if (app->quitRequested.load() != 0) {
            return 0;
        }
        if (WaitIsOver(start, ReadWallClock(), delay)) {
            break;
        }
        Sleep(kLookIntervalMs);
    }
    // The page of this moment, not of the start: the wizard may have moved on.
    SendMessageW(app->mainWindow, UM_STAGE_TIMER, static_cast<WPARAM>(app->page.load()), 0);
    return 0;
}

unsigned __stdcall SlideTickThread(void* mainWindow) {
    const HWND window = static_cast<HWND>(mainWindow);
    VBindCallback* app = GetApp();
    while (SlideTickGoesOn(app->page.load(), app->quitRequested.load())) {
        PostMessageW(window, UM_SLIDE_TICK, 0, 0);
        Sleep(kSlideIntervalMs);
    }
    return 0;
}
