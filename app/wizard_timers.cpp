#include "app/wizard_timers.h"

#include <cstdint>
#include <memory>

#include "core/app_object.h"
#include "core/messages.h"
#include "core/wall_clock.h"
#include "core/worker_thread.h"

namespace {
constexpr DWORD kSlideIntervalMs = 3000;

struct StageTimer {
    DWORD delayMs;
    unsigned timer;
};

// The slideshow ticks on every page but the finish page, until the program ends.
bool SlideTickGoesOn(const VBindCallback& app) {
    return app.page.load() != PAGE_DONE && app.quitRequested.load() == 0;
}
} // namespace

bool StartStageTimer(DWORD delayMs, unsigned timer) {
    return StartWorkerWith(StageTimerThread, StageTimer{delayMs, timer});
}

unsigned __stdcall StageTimerThread(void* stageTimer) {
    const auto argument = TakeWorkerArgument<StageTimer>(stageTimer);
    const std::uint64_t delay = argument->delayMs;
    VBindCallback* app = GetApp();
    const std::uint64_t start = ReadWallClock();
    for (;;) {
        if (app->quitRequested.load() != 0) {
            return 0;
        }
        if (WaitIsOver(start, ReadWallClock(), delay)) {
            break;
        }
        Sleep(kClockLookIntervalMs);
    }
    // The page of this moment, not of the start: the wizard may have moved on.
    SendMessageW(app->mainWindow, UM_STAGE_TIMER, static_cast<WPARAM>(app->page.load()),
                 static_cast<LPARAM>(argument->timer));
    return 0;
}

unsigned __stdcall SlideTickThread(void* mainWindow) {
    const HWND window = static_cast<HWND>(mainWindow);
    const VBindCallback& app = *GetApp();
    while (SlideTickGoesOn(app)) {
        PostMessageW(window, UM_SLIDE_TICK, 0, 0);
        Sleep(kSlideIntervalMs);
    }
    return 0;
}
