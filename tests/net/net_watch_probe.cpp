// Runs the connectivity watchdog against a recording window on the download page and
// prints each report as "net 0" or "net 1", so that a test on the Linux side can take
// the network namespace's link down and up and watch the answers change.
//   net_watch_probe SECONDS     (ends by itself after that long)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "core/app_object.h"
#include "core/messages.h"
#include "net/net_watch.h"
#include "tests/install/recording_window.h"

int wmain(int argc, wchar_t** argv) {
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(_wtoi(argv[1])) : 60;
    VBindCallback* app = GetApp();
    RecordingWindow window;
    app->mainWindow = window.hwnd();
    app->page.store(PAGE_DOWNLOAD);
    StartNetWatchIfIdle(window.hwnd());
    std::printf("started\n");
    std::fflush(stdout);

    std::size_t printed = 0;
    window.PumpUntil(
        [&] {
            const auto reports = window.Received(UM_NET_STATE);
            for (; printed < reports.size(); ++printed) {
                std::printf("net %u\n", static_cast<unsigned>(reports[printed].wParam));
                std::fflush(stdout);
            }
            return false;
        },
        seconds * 1000);

    app->page.store(PAGE_AGREE); // the watchdog ends at its next look
    window.PumpFor(300);
    return 0;
}
