#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Pixels copied from the screen, top-down, 0x00RRGGBB.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// What the screen shows in `rect` (screen coordinates).
ScreenPixels CaptureScreenRect(const RECT& rect);
// Pixels drawn by `draw` into a white memory bitmap of width x height.
template <typename Draw> ScreenPixels RenderToPixels(int width, int height, Draw draw);
// Writes pixels as a PNG through GDI+; false on failure.
bool SavePng(const ScreenPixels& image, const std::wstring& path);

ScreenPixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height);

template <typename Draw> ScreenPixels RenderToPixels(int width, int height, Draw draw) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    draw(memory);
    SelectObject(memory, previous);
    ScreenPixels result = ReadBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}
