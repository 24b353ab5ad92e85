#pragma once
#include <windows.h>

// Helpers shared by the subclassed STATIC controls and the windows that make them.

// The module a window was created with (for resources and child windows).
inline HINSTANCE InstanceOf(HWND hwnd) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
}

// Passes a message on to the procedure the control had before it was subclassed,
// which its creator keeps in GWLP_USERDATA. Without one, the default handling.
LRESULT PassToPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Asks for WM_MOUSEHOVER after the pointer has rested 20 ms, and for WM_MOUSELEAVE.
void RequestHoverAndLeave(HWND hwnd);

// Sets the pointer shape to one of the system cursors (IDC_HAND, IDC_ARROW).
void ShowSystemCursor(LPCWSTR cursorId);

constexpr DWORD kHoverTimeMs = 20;
