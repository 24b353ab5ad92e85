#pragma once
#include <windows.h>

// Paints the main window's own surface for the current page: the frame, the picture
// area, the agreement sentence and the status line.
void PaintMainWindow(HDC dc, HINSTANCE instance);

// The agreement sentence painted around the agreement box and the agreement link (which
// shows the words between the two parts), and where its second part starts.
constexpr wchar_t kConsentBefore[] = L"我同意";
constexpr wchar_t kConsentAfter[] = L"并允许卸载Lumo和zizaz";
constexpr int kConsentAfterX = 117; // at 96 DPI

// The window's size at 96 DPI.
constexpr int kMainWindowWidth = 570;
constexpr int kMainWindowHeight = 370;

// The status line as `page` shows it; null where the page shows none.
const wchar_t* StatusLineOf(int page);
