// The main window's first paint at 200 % against at 100 %, side by side in one process.
//
// Each round moves the window to a display of 96 DPI and paints the agreement page, then
// to one of 192 DPI and paints it. The first paint at a DPI is timed from the move
// (WM_DPICHANGED, which lets go of the fonts and pictures of the old DPI and lays the
// controls out again) to the end of the last child's WM_PAINT: at 200 % it decodes the
// larger art and keeps it. A second paint at the same DPI, from what was kept, is timed
// from its invalidation.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/startup.h"
#include "app/wizard_pages.h"
#include "bench/bench_clock.h"
#include "core/app_object.h"
#include "core/pages.h"
#include "ui/dpi_awareness.h"
#include "ui/dpi_scale.h"

namespace {
HWND Main() {
    return GetApp()->mainWindow;
}

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Moves the window and paints it at once; milliseconds from the move to the painted page.
double MoveAndPaintMs(int dpi) {
    const LARGE_INTEGER start = Now();
    RECT window{};
    GetWindowRect(Main(), &window);
    const RECT suggested{window.left, window.top, window.left + ScaleLength(570, dpi),
                         window.top + ScaleLength(370, dpi)};
    SendMessageW(Main(), kDpiChangedMessage, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RedrawWindow(Main(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    return Seconds(start, Now()) * 1000.0;
}

double PaintMs() {
    const LARGE_INTEGER start = Now();
    RedrawWindow(Main(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    return Seconds(start, Now()) * 1000.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const char* what, const std::vector<double>& at100, const std::vector<double>& at200) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < at100.size(); ++i) {
        ratios.push_back(at200[i] / at100[i]);
    }
    std::printf("%s: 100 %% median %.2f ms (min %.2f), 200 %% median %.2f ms (min %.2f); "
                "200/100 median of pairwise ratios %.3f, ratio of medians %.3f\n",
                what, Median(at100), *std::min_element(at100.begin(), at100.end()), Median(at200),
                *std::min_element(at200.begin(), at200.end()), Median(ratios),
                Median(at200) / Median(at100));
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 20;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    lstrcpyW(windowClassName, L"TIDEWELL");
    lstrcpyW(windowTitle, L"Tidewell");
    RegisterMainWindowClass(instance);
    if (!CreateMainWindow(instance, SW_SHOW)) {
        std::printf("no window\n");
        return 1;
    }
    GetApp()->page.store(PAGE_AGREE);
    ShowPage(PAGE_AGREE);
    Pump();
    std::vector<double> first100, first200, again100, again200;
    for (int round = 0; round < rounds; ++round) {
        first100.push_back(MoveAndPaintMs(96));
        again100.push_back(PaintMs());
        first200.push_back(MoveAndPaintMs(192));
        again200.push_back(PaintMs());
    }
    std::printf("%d rounds, the agreement page\n", rounds);
    Report("move and first paint at the DPI", first100, first200);
    Report("next paint", again100, again200);
    std::fflush(stdout);
    ExitProcess(0); // the window's workers are no part of what is measured
}
