#pragma once
#include <windows.h>

// Helpers shared by the subclassed STATIC controls.

// Passes a message on to the procedure the control had before it was subclassed,
// which its creator keeps in GWLP_USERDATA. Without one, the default handling.
LRESULT PassToPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Asks for WM_MOUSEHOVER after the pointer has rested 20 ms, and for WM_MOUSELEAVE.
void RequestHoverAndLeave(HWND hwnd);

// Sets the pointer shape to one of the system cursors (IDC_HAND, IDC_ARROW).
void ShowSystemCursor(LPCWSTR cursorId);

constexpr DWORD kHoverTimeMs = 20;
