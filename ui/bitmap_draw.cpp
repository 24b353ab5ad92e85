#include "ui/bitmap_draw.h"

#include "core/gdi_handles.h"
#include "ui/gdiplus_handles.h"
#include "ui/scaled_pictures.h"
#include "ui/skin_scale.h"

namespace {
constexpr int kPictureWidth = 570;
constexpr int kPictureHeight = 240;

// Draws a GDI bitmap through GDI+ at (0, 0) of `dc`, scaled into width x height. Every
// GDI+ object lives only for this call; failures draw nothing.
void DrawThroughGdiplus(HBITMAP bitmap, HDC dc, int width, int height) {
    if (bitmap == nullptr || dc == nullptr) {
        return;
    }
    Gdiplus::GpBitmap* rawImage = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &rawImage) !=
        Gdiplus::Ok) {
        return;
    }
    const ScopedGpImage image(rawImage);
    Gdiplus::GpGraphics* rawGraphics = nullptr;
    if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &rawGraphics) != Gdiplus::Ok) {
        return;
    }
    const ScopedGpGraphics graphics(rawGraphics);
    Gdiplus::DllExports::GdipDrawImageRectI(graphics.get(), image.get(), 0, 0, width, height);
}
} // namespace

void DrawBitmapResource(HINSTANCE module, HDC dc, WORD id, int width, int height) {
    if (SkinDpi() != kBaseDpi) {
        DrawScaledResource(module, dc, id, width, height);
        return;
    }
    // At 96 DPI the art is drawn as it is: loaded afresh for every drawing step and
    // deleted at its end.
    const ScopedBitmap bitmap(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
    DrawThroughGdiplus(bitmap.get(), dc, width, height);
}

void DrawSlideBitmap(HBITMAP bitmap, HDC dc) {
    if (SkinDpi() != kBaseDpi) {
        DrawScaledSlide(bitmap, dc, kPictureWidth, kPictureHeight);
        return;
    }
    DrawThroughGdiplus(bitmap, dc, kPictureWidth, kPictureHeight);
}
