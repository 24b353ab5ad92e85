#include "tools/pixels/pixels.h"

#include <gdiplus.h>

#include <algorithm>
#include <memory>

#include "core/gdi_handles.h"

Pixels Pixels::Crop(const RECT& area) const {
    Pixels out;
    const int left = std::max(0, static_cast<int>(area.left));
    const int top = std::max(0, static_cast<int>(area.top));
    const int right = std::min(width, static_cast<int>(area.right));
    const int bottom = std::min(height, static_cast<int>(area.bottom));
    if (right <= left || bottom <= top) {
        return out;
    }
    out.width = right - left;
    out.height = bottom - top;
    out.rgb.reserve(static_cast<size_t>(out.width) * out.height);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            out.rgb.push_back(At(x, y));
        }
    }
    return out;
}

namespace {
// A 32-bpp top-down DIB section selected into a memory DC.
class DibCanvas {
public:
    DibCanvas(int width, int height) : width_(width), height_(height), dc_(nullptr) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        select_ = std::make_unique<ScopedSelect>(dc_.get(), bitmap_.get());
    }
    HDC dc() const { return dc_.get(); }
    Pixels Read() const {
        GdiFlush();
        Pixels out;
        if (bits_ == nullptr) {
            return out;
        }
        out.width = width_;
        out.height = height_;
        const auto* source = static_cast<const std::uint32_t*>(bits_);
        out.rgb.assign(source, source + static_cast<size_t>(width_) * height_);
        for (auto& p : out.rgb) {
            p &= 0xFFFFFF;
        }
        return out;
    }

private:
    int width_;
    int height_;
    MemoryDC dc_;
    ScopedBitmap bitmap_;
    void* bits_ = nullptr;
    std::unique_ptr<ScopedSelect> select_;
};

// The PNG encoder of GDI+.
constexpr CLSID kPngEncoder = {
    0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
} // namespace

Pixels CaptureWindow(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    DibCanvas canvas(client.right, client.bottom);
    const WindowDC source(hwnd);
    BitBlt(canvas.dc(), 0, 0, client.right, client.bottom, source.get(), 0, 0, SRCCOPY);
    return canvas.Read();
}

Pixels CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    DibCanvas canvas(width, height);
    const WindowDC screen(nullptr);
    BitBlt(canvas.dc(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
    return canvas.Read();
}

Pixels RenderInto(int width, int height, const std::function<void(HDC)>& draw) {
    DibCanvas canvas(width, height);
    const RECT all{0, 0, width, height};
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    draw(canvas.dc());
    return canvas.Read();
}

bool SavePng(const Pixels& image, const std::wstring& path) {
    if (image.empty()) {
        return false;
    }
    std::vector<std::uint32_t> argb(image.rgb);
    for (auto& p : argb) {
        p |= 0xFF000000u;
    }
    Gdiplus::Bitmap bitmap(image.width, image.height, image.width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(argb.data()));
    return bitmap.Save(path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
}
