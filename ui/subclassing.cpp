#include "ui/subclassing.h"

#include <commctrl.h>

LRESULT PassToPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (previous == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

void RequestHoverAndLeave(HWND hwnd) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = hwnd;
    track.dwHoverTime = kHoverTimeMs;
    _TrackMouseEvent(&track);
}

void ShowSystemCursor(LPCWSTR cursorId) {
    SetCursor(LoadCursorW(nullptr, cursorId));
}
