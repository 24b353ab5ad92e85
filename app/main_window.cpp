#include "app/main_window.h"

#include "app/accessible_names.h"
#include "app/commands.h"
#include "app/keyboard.h"
#include "app/main_paint.h"
#include "app/taskbar_button.h"
#include "app/wizard_pages.h"
#include "app/wizard_state.h"
#include "app/wizard_taskbar.h"
#include "app/workflow.h"
#include "core/app_object.h"
#include "core/gdi_handles.h"
#include "core/messages.h"
#include "core/run_time_link.h"
#include "core/worker_thread.h"
#include "install/install_location.h"
#include "install/working_files.h"
#include "net/slides.h"
#include "ui/control_font.h"
#include "ui/dpi_awareness.h"
#include "ui/scaled_pictures.h"
#include "ui/skin_scale.h"
#include "ui/subclassing.h"

namespace {

// The font and brush handed to every static control and checkbox. WM_CTLCOLORSTATIC
// comes with each of their repaints, so one of each lives as long as the window.
HFONT staticFont = nullptr;
HBRUSH staticBrush = nullptr;
// The balloons' font at the skin's DPI, handed to both tooltips; null: their default.
HFONT tooltipFont = nullptr;
// The taskbar's and the task switcher's icons, picked from the icon's sizes for the
// skin's DPI (16 and 32 pixels at 96 DPI); null: the class's.
HICON smallIcon = nullptr;
HICON bigIcon = nullptr;

void CentreOnDesktop(HWND hwnd) {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int width = desktop.right - desktop.left;
    const int height = desktop.bottom - desktop.top;
    const int windowWidth = SkinLength(kMainWindowWidth);
    const int windowHeight = SkinLength(kMainWindowHeight);
    SetWindowPos(hwnd, HWND_TOP, width / 2 - windowWidth / 2, height / 2 - windowHeight / 2,
                 windowWidth, windowHeight, SWP_SHOWWINDOW);
}

// The balloons speak in the system's status font as it is on a display of the skin's
// DPI. Where the system cannot say (before Windows 10 1607), they keep their default,
// which is the system's DPI.
void ScaleTooltipFont() {
    using ParametersForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    const auto parametersForDpi = LookUpFunction<ParametersForDpiFunction>(
        GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (parametersForDpi == nullptr ||
        !parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                          static_cast<UINT>(SkinDpi()))) {
        return;
    }
    HFONT made = CreateFontIndirectW(&metrics.lfStatusFont);
    const VBindCallback* app = GetApp();
    for (const ChildControl* tip : {app->folderLabelTip, app->changeFolderTip}) {
        if (tip != nullptr && made != nullptr) {
            SendMessageW(tip->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(made), FALSE);
        }
    }
    if (tooltipFont != nullptr) {
        DeleteObject(tooltipFont);
    }
    tooltipFont = made;
}

HICON IconAt(HWND hwnd, int size) {
    return static_cast<HICON>(
        LoadImageW(InstanceOf(hwnd), L"IDI_ICON1", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The window's icons drawn from the size nearest the DPI's, not one scaled by the system.
void ScaleIcons(HWND hwnd) {
    HICON small = IconAt(hwnd, SkinLength(16));
    HICON big = IconAt(hwnd, SkinLength(32));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    for (HICON replaced : {smallIcon, bigIcon}) {
        if (replaced != nullptr) {
            DestroyIcon(replaced);
        }
    }
    smallIcon = small;
    bigIcon = big;
}

void ReleaseIcons() {
    for (HICON* icon : {&smallIcon, &bigIcon}) {
        if (*icon != nullptr) {
            DestroyIcon(*icon);
            *icon = nullptr;
        }
    }
}

void ReleaseTooltipFont() {
    if (tooltipFont != nullptr) {
        DeleteObject(tooltipFont);
        tooltipFont = nullptr;
    }
}

LRESULT OnCreate(HWND hwnd) {
    VBindCallback* app = GetApp();
    app->mainWindow = hwnd; // workers started below may need it before CreateWindowExW returns
    CleanWorkingFiles();    // whatever an earlier run left behind
    Gdiplus::GdiplusStartup(&app->gdiplusToken, &app->gdiplusInput, nullptr);
    SetSkinDpi(DpiOfWindow(hwnd));
    CentreOnDesktop(hwnd);
    CreateChildControls(hwnd);
    ScaleTooltipFont();
    ScaleIcons(hwnd);
    NameControls(hwnd);
    ListenForTaskbarButton(hwnd);
    GoToPage(PAGE_AGREE);
    InitInstallFolder();
    StartWorker(FetchSlidesThread, hwnd);
    return 0;
}

LRESULT OnPaint(HWND hwnd) {
    const PaintDC dc(hwnd);
    PaintMainWindow(dc.get(), InstanceOf(hwnd));
    PaintFocusCue(hwnd, dc.get());
    return 0;
}

LRESULT OnCtlColorStatic(HDC dc) {
    if (staticFont == nullptr) {
        staticFont = CreateControlFont(SkinLength(kSmallFontHeight));
        staticBrush = CreateSolidBrush(RGB(255, 255, 255));
    }
    SelectObject(dc, staticFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(staticBrush);
}

// The window has no caption: a press anywhere on its own surface drags it.
LRESULT OnLeftButtonDown(HWND hwnd) {
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return 0;
}

void ReleaseStaticColours() {
    if (staticFont != nullptr) {
        DeleteObject(staticFont);
        DeleteObject(staticBrush);
        staticFont = nullptr;
        staticBrush = nullptr;
    }
}

// Moved to a display of another DPI (or its DPI changed): the whole skin is laid out
// again at the new one, at the place the system suggests. The window keeps its own
// size at that DPI rather than the suggested one, so that no rounding piles up over
// many moves.
LRESULT OnDpiChanged(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    SetSkinDpi(HIWORD(wParam)); // the vertical DPI; Windows gives both the same
    ReleaseStaticColours();     // made again at the new size by the next control's paint
    ForgetScaledPictures();
    LayOutChildControls();
    ScaleTooltipFont();
    ScaleIcons(hwnd);
    const RECT& suggested = SuggestedRect(lParam);
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, SkinLength(kMainWindowWidth),
                 SkinLength(kMainWindowHeight), SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return 0;
}

bool IsPrivateMessage(UINT message) {
    return message >= kFirstPrivateMessage && message <= kLastPrivateMessage;
}

LRESULT OnPrivateMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_SLIDE_TICK) {
        OnSlideTick(hwnd);
        return 0;
    }
    if (OnWorkerReport(hwnd, message, wParam, lParam)) {
        return 0;
    }
    // The controls' own messages mean nothing to the main window.
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // After the quit sequence, workers' reports may still arrive until the loop ends:
    // they must not touch the freed control records.
    const bool quitting = GetApp()->quitRequested.load() != 0;
    if (quitting && (IsPrivateMessage(message) || message == WM_COMMAND || message == WM_KEYDOWN)) {
        return 0;
    }
    if (IsTaskbarButtonCreated(message)) {
        OnTaskbarButtonCreated(hwnd);
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        return OnCreate(hwnd);
    case WM_DESTROY:
        Dispatch(hwnd, WizardEvent{EventKind::WindowDestroyed}); // nothing once quitting
        ReleaseStaticColours();
        ReleaseTooltipFont(); // the tooltips, owned popups, are gone by now
        ReleaseIcons();
        ForgetScaledPictures();
        return 0;
    case kDpiChangedMessage:
        return OnDpiChanged(hwnd, wParam, lParam);
    case WM_PAINT:
        return OnPaint(hwnd);
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN:
        return OnLeftButtonDown(hwnd);
    case WM_COMMAND:
        OnCommand(hwnd, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_KEYDOWN:
        if (OnWizardKey(hwnd, wParam, lParam)) {
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_SETFOCUS:
        AnnounceKeyboardFocus(hwnd);
        return 0;
    default:
        if (IsPrivateMessage(message)) {
            return OnPrivateMessage(hwnd, message, wParam, lParam);
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// The messages that can move the wizard: the page, the bar, a notice.
bool MayMoveTheWizard(UINT message) {
    return message == WM_CREATE || message == WM_COMMAND || message == WM_KEYDOWN ||
           IsPrivateMessage(message) || IsTaskbarButtonCreated(message);
}
} // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = HandleMessage(hwnd, message, wParam, lParam);
    // The keyboard focus and the taskbar button follow whatever the message changed.
    if (MayMoveTheWizard(message)) {
        FollowPageWithKeyboard(hwnd);
        FollowWizardOnTaskbar(hwnd);
    }
    return result;
}
