#include "net/timers_wait.h"

#include "app/pages.h"

bool WaitIsOver(std::uint64_t startCount, std::uint64_t nowCount, std::uint64_t delayMs) {
    return nowCount - startCount >= delayMs * kClockUnitsPerMs;
}

bool WatchdogKeepsWatching(int page, int quitRequested) {
    // A quit request ends the watch on either page: after the quit sequence the main
    // window must not be sent more work.
    return quitRequested == 0 && (page == PAGE_DOWNLOAD || page == PAGE_OFFLINE);
}

bool SlideTickGoesOn(int page, int quitRequested) {
    return page != PAGE_DONE && quitRequested == 0;
}
