#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Pixels read back from the screen or from a drawing step, shared by the test driver
// and the control tests so both judge what is shown the same way.

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb; // 0x00RRGGBB, top row first

    std::uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    Pixels Crop(const RECT& area) const;
    bool empty() const { return rgb.empty(); }
};

// What a window shows now, read back from its device context (client area).
Pixels CaptureWindow(HWND hwnd);
// A rectangle of the screen, in screen coordinates (pop-ups such as balloons too).
Pixels CaptureScreen(const RECT& area);
// Runs a drawing step on a white memory bitmap and returns the result.
Pixels RenderInto(int width, int height, const std::function<void(HDC)>& draw);
// Writes the pixels as a PNG through GDI+, which the caller has started.
bool SavePng(const Pixels& image, const std::wstring& path);
