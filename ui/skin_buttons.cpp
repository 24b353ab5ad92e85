#include "ui/skin_buttons.h"

#include "core/gdi_handles.h"
#include "core/messages.h"
#include "res/resource.h"
#include "ui/bitmap_draw.h"
#include "ui/subclassing.h"

int installEnabled = 1;

namespace {
// What tells one skin button from another.
struct SkinLook {
    WORD normal;
    WORD hover;
    int width;
    int height;
    bool repaintsOnSkinState; // close and minimize: a slide was drawn over them
};

constexpr SkinLook kCloseLook{IDB_CLOSE, IDB_CLOSE_HOVER, 34, 22, true};
constexpr SkinLook kMinimizeLook{IDB_MINIMIZE, IDB_MINIMIZE_HOVER, 34, 22, true};
constexpr SkinLook kInstallLook{IDB_INSTALL, IDB_INSTALL_HOVER, 120, 40, false};
constexpr SkinLook kFinishLook{IDB_FINISH, IDB_FINISH_HOVER, 120, 40, false};
constexpr SkinLook kTencentLook{IDB_TENCENT_SHARE, IDB_TENCENT_SHARE_HOVER, 90, 24, false};
constexpr SkinLook kSinaLook{IDB_SINA_SHARE, IDB_SINA_SHARE_HOVER, 90, 24, false};

void DrawLook(HWND hwnd, HDC dc, const SkinLook& look, WORD bitmap) {
    DrawBitmapResource(InstanceOf(hwnd), dc, bitmap, look.width, look.height);
}

// Outside WM_PAINT (hover, leave, state changes) the button draws straight into
// its window's device context.
void DrawNow(HWND hwnd, const SkinLook& look, WORD bitmap) {
    const WindowDC dc(hwnd, WindowDC::WholeWindow);
    DrawLook(hwnd, dc.get(), look, bitmap);
}

void OnPaint(HWND hwnd, const SkinLook& look, WORD bitmap) {
    const PaintDC dc(hwnd);
    DrawLook(hwnd, dc.get(), look, bitmap);
}

// The five buttons without an enabled state.
LRESULT PlainSkinButton(const SkinLook& look, HWND hwnd, UINT message, WPARAM wParam,
                        LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint(hwnd, look, look.normal);
        break;
    case WM_SETCURSOR:
        // The cursor stays as hover and leave last set it, never the class cursor.
        return TRUE;
    case WM_MOUSEMOVE:
        RequestHoverAndLeave(hwnd);
        break;
    case WM_MOUSEHOVER:
        DrawNow(hwnd, look, look.hover);
        ShowSystemCursor(IDC_HAND);
        break;
    case WM_MOUSELEAVE:
        DrawNow(hwnd, look, look.normal);
        ShowSystemCursor(IDC_ARROW);
        break;
    case UM_SKIN_STATE:
        if (look.repaintsOnSkinState) {
            DrawNow(hwnd, look, look.normal);
        }
        break;
    default:
        break;
    }
    return PassToPrevious(hwnd, message, wParam, lParam);
}

WORD InstallResting() {
    return installEnabled == 1 ? IDB_INSTALL : IDB_INSTALL_DISABLED;
}
} // namespace

LRESULT CALLBACK InstallButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const SkinLook& look = kInstallLook;
    switch (message) {
    case WM_PAINT:
        OnPaint(hwnd, look, InstallResting());
        break;
    case WM_SETCURSOR:
        return TRUE;
    case WM_MOUSEMOVE:
        if (installEnabled == 1) {
            RequestHoverAndLeave(hwnd);
        }
        break;
    case WM_MOUSEHOVER:
        // A hover or leave asked for before the button was disabled may still
        // arrive; it must not make a disabled button look usable.
        if (installEnabled == 1) {
            DrawNow(hwnd, look, look.hover);
            ShowSystemCursor(IDC_HAND);
        }
        break;
    case WM_MOUSELEAVE:
        DrawNow(hwnd, look, InstallResting());
        ShowSystemCursor(IDC_ARROW);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        // The static control turns presses into click notifications; a disabled
        // button keeps them from it.
        if (installEnabled != 1) {
            return TRUE;
        }
        break;
    case UM_SKIN_STATE:
        DrawNow(hwnd, look, wParam == 0 ? IDB_INSTALL_DISABLED : IDB_INSTALL);
        installEnabled = wParam == 0 ? 0 : 1;
        break;
    default:
        break;
    }
    return PassToPrevious(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CloseButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlainSkinButton(kCloseLook, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MinimizeButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlainSkinButton(kMinimizeLook, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FinishButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlainSkinButton(kFinishLook, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TencentShareButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlainSkinButton(kTencentLook, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK SinaShareButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlainSkinButton(kSinaLook, hwnd, message, wParam, lParam);
}
