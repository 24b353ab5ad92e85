#pragma once
#include <windows.h>

// Paints the main window's own surface for the current page: the frame, the picture
// area, the agreement sentence and the status line.
void PaintMainWindow(HDC dc, HINSTANCE instance);
