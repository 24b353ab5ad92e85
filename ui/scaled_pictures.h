#pragma once
#include <windows.h>

// The skin's pictures at the skin's DPI (ui/skin_scale.h). Each is filtered once per
// DPI (bicubic, from the nearest of the sizes the build drew it at) and kept, so that a
// paint only copies it. UI thread only; GDI+ must be running when one is first drawn.

// Draws bitmap resource `id` of `module`, `width` x `height` at 96 DPI, at (0, 0) of
// `dc`. Art the build drew larger comes as PNG resources `id` + 1000 (150 %) and
// `id` + 2000 (200 %). A picture that cannot be loaded draws nothing.
void DrawScaledResource(HINSTANCE module, HDC dc, WORD id, int width, int height);

// Draws a slide (kept by the caller, unchanged while it lives) into the `width` x
// `height` 96-DPI area at (0, 0) of `dc`.
void DrawScaledSlide(HBITMAP slide, HDC dc, int width, int height);

// Lets go of every kept picture: when the DPI changes and when the window goes.
void ForgetScaledPictures();

// The resource offset of the art drawn at `percent` (150 or 200).
constexpr WORD ArtResourceOffset(int percent) {
    return percent == 150 ? 1000 : percent == 200 ? 2000 : 0;
}
