#include "tools/driver/screen_capture.h"

#include <gdiplus.h>

ScreenPixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
    ScreenPixels result;
    result.width = width;
    result.height = height;
    result.pixels.resize(static_cast<size_t>(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(dc, bitmap, 0, height, result.pixels.data(), &info, DIB_RGB_COLORS);
    for (auto& pixel : result.pixels) {
        pixel &= 0x00FFFFFF;
    }
    return result;
}

ScreenPixels CaptureScreenRect(const RECT& rect) {
    return RenderToPixels(rect.right - rect.left, rect.bottom - rect.top, [&](HDC memory) {
        HDC screen = GetDC(nullptr);
        BitBlt(memory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
               rect.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
}

namespace {
bool PngEncoder(CLSID* clsid) {
    UINT count = 0;
    UINT size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (size == 0) {
        return false;
    }
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (lstrcmpW(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}
} // namespace

bool SavePng(const ScreenPixels& image, const std::wstring& path) {
    CLSID png{};
    if (!PngEncoder(&png)) {
        return false;
    }
    std::vector<std::uint32_t> argb(image.pixels);
    for (auto& pixel : argb) {
        pixel |= 0xFF000000;
    }
    Gdiplus::Bitmap bitmap(image.width, image.height, image.width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(argb.data()));
    return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}
