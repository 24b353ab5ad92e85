#pragma once
#include <windows.h>
#include <gdiplus.h>

#include <memory>

// Owners for flat-API GDI+ objects made within one drawing step.
struct GdiplusGraphicsDeleter {
    void operator()(Gdiplus::GpGraphics* graphics) const {
        Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    }
};
struct GdiplusImageDeleter {
    void operator()(Gdiplus::GpImage* image) const { Gdiplus::DllExports::GdipDisposeImage(image); }
};
using ScopedGpGraphics = std::unique_ptr<Gdiplus::GpGraphics, GdiplusGraphicsDeleter>;
using ScopedGpImage = std::unique_ptr<Gdiplus::GpImage, GdiplusImageDeleter>;
