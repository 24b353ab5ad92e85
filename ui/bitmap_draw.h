#pragma once
#include <windows.h>

// Draws bitmap resource `id` of `module` at (0, 0) of `dc`, scaled into width x height
// (96-DPI lengths, drawn at the skin's DPI), through GDI+. A bitmap that cannot be loaded
// draws nothing.
void DrawBitmapResource(HINSTANCE module, HDC dc, WORD id, int width, int height);

// Draws a loaded slide at (0, 0) of `dc`, stretched into the 570 x 240 picture area (at
// the skin's DPI).
// The caller keeps the bitmap.
void DrawSlideBitmap(HBITMAP bitmap, HDC dc);
