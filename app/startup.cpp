#include "app/startup.h"

#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "app/quit.h"
#include "app/support_log_lines.h"
#include "app/taskbar_button.h"
#include "core/com_scope.h"
#include "core/app_object.h"
#include "core/process_list.h"
#include "core/support_log.h"
#include "res/resource.h"
#include "ui/dpi_awareness.h"

wchar_t windowTitle[100];
wchar_t windowClassName[100];

namespace {
// Shown only in the taskbar: the window has no caption.
constexpr wchar_t kFinalTitle[] = L"VantrelLumo工作台在线升级程序";
// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_MAXIMIZEBOX.
constexpr DWORD kMainWindowStyle = 0x96010000;

// When this run began, by the universal clock: the support log's times count from here.
std::string StartTimeText() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}
} // namespace

int CountUpdaterProcesses() {
    int count = 0;
    for (const RunningProcess& process : ListProcesses(TH32CS_SNAPALL)) {
        if (SameExeName(process.exeName, L"Tidewell.exe")) {
            ++count;
        }
    }
    return count;
}

void RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"IDI_ICON1");
    windowClass.hIconSm = LoadIconW(instance, L"IDI_ICON1");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = windowClassName;
    RegisterClassExW(&windowClass);
}

int CreateMainWindow(HINSTANCE instance, int showCommand) {
    // The true size and place are set while the window handles WM_CREATE.
    HWND window = CreateWindowExW(0, windowClassName, windowTitle, kMainWindowStyle, CW_USEDEFAULT,
                                  0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    GetApp()->mainWindow = window;
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetWindowTextW(window, kFinalTitle);
    return 1;
}

int RunMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunTidewell(HINSTANCE instance, int showCommand) {
    if (CountUpdaterProcesses() > 1) {
        return 1; // another copy runs: leave quietly
    }
    GetApp();
    StartSupportLog(RunStartLine(StartTimeText()));
    // The window's thread is a COM apartment: accessibility clients call into the
    // controls' objects here, and the taskbar's progress object lives here.
    const ComScope com;
    LoadStringW(instance, IDS_APP_TITLE, windowTitle, 100);
    LoadStringW(instance, IDS_WINDOW_CLASS, windowClassName, 100);
    DeclareDpiAwareness(); // before the window: it is made at its display's DPI
    RegisterMainWindowClass(instance);
    if (!CreateMainWindow(instance, showCommand)) {
        return 1; // no window: nothing could ever end the loop, so do not enter it
    }
    const int exitCode = RunMessageLoop();
    FinishSupportLog();
    ForgetTaskbarButton(); // while the apartment still stands
    FinishQuitting();
    return exitCode;
}
