#pragma once
#include <windows.h>

// Declares the process aware of every display's DPI, so that Windows draws the window
// sharp at the display's own DPI instead of stretching a 96-DPI picture of it. The
// manifest declares it too; this is for where the manifest's word is not read. Best
// first: per monitor v2 (Windows 10 1703), per monitor (8.1), the system's DPI (Vista);
// XP has none of these and always draws at the system's DPI. Before any window.
void DeclareDpiAwareness();

// The DPI `window` is shown at: its display's where the system knows it per window
// (Windows 10 1607), else the system's.
int DpiOfWindow(HWND window);

// WM_DPICHANGED (Windows 8.1), which the headers for XP do not declare: the window's
// display changed its DPI or the window moved to a display of another. wParam carries
// the new DPI in both words.
constexpr UINT kDpiChangedMessage = 0x02E0;

// The suggested window rectangle of a WM_DPICHANGED, whose lParam points to it.
inline const RECT& SuggestedRect(LPARAM lParam) {
    return *reinterpret_cast<const RECT*>(lParam);
}
