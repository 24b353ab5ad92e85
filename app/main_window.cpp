#include "app/main_window.h"

#include "app/app_object.h"
#include "install/working_files.h"

namespace {
constexpr int kWindowWidth = 570;
constexpr int kWindowHeight = 370;

void CentreOnDesktop(HWND hwnd) {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int width = desktop.right - desktop.left;
    const int height = desktop.bottom - desktop.top;
    SetWindowPos(hwnd, HWND_TOP, width / 2 - kWindowWidth / 2, height / 2 - kWindowHeight / 2,
                 kWindowWidth, kWindowHeight, SWP_SHOWWINDOW);
}

LRESULT OnCreate(HWND hwnd) {
    VBindCallback* app = GetApp();
    CleanWorkingFiles(); // whatever an earlier run left behind
    Gdiplus::GdiplusStartup(&app->gdiplusToken, &app->gdiplusInput, nullptr);
    CentreOnDesktop(hwnd);
    return 0;
}
} // namespace

void QuitWizard(bool cleanUp) {
    VBindCallback* app = GetApp();
    app->quitRequested.store(1);
    if (cleanUp) {
        CleanWorkingFiles();
    }
    FreeControlRecords(*app);
    Gdiplus::GdiplusShutdown(app->gdiplusToken);
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(hwnd);
    case WM_DESTROY:
        QuitWizard(true);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}
