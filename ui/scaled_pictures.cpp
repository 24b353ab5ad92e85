#include "ui/scaled_pictures.h"

#include <objidl.h>

#include <vector>

#include "core/gdi_handles.h"
#include "ui/gdiplus_handles.h"
#include "ui/skin_scale.h"

namespace {
struct Kept {
    HINSTANCE module; // null for a slide
    UINT_PTR source;  // the resource id, or the slide's handle
    int dpi;
    int width; // scaled
    int height;
    HBITMAP bitmap;
};
std::vector<Kept> kept;

struct ImageAttributesDeleter {
    void operator()(Gdiplus::GpImageAttributes* attributes) const {
        Gdiplus::DllExports::GdipDisposeImageAttributes(attributes);
    }
};

struct StreamReleaser {
    void operator()(IStream* stream) const { stream->Release(); }
};
using ScopedStream = std::unique_ptr<IStream, StreamReleaser>;

// A GDI+ picture of a 24-bit GDI bitmap; GDI+ copies the pixels.
ScopedGpImage ImageOfBitmap(HBITMAP bitmap) {
    Gdiplus::GpBitmap* image = nullptr;
    if (bitmap == nullptr ||
        Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != Gdiplus::Ok) {
        return nullptr;
    }
    return ScopedGpImage(image);
}

// A copy of a resource's bytes in a stream of its own (GDI+ may read the stream as long
// as the picture lives).
ScopedStream StreamOfResource(HINSTANCE module, WORD id) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10)); // RCDATA
    const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    if (bytes == nullptr || size == 0) {
        return nullptr;
    }
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (target == nullptr) {
        if (memory != nullptr) {
            GlobalFree(memory);
        }
        return nullptr;
    }
    CopyMemory(target, bytes, size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(memory, TRUE, &stream) != S_OK) { // owns the memory from here
        GlobalFree(memory);
        return nullptr;
    }
    return ScopedStream(stream);
}

// `source` filtered into a new width x height bitmap: bicubic, pixel centres aligned,
// the edges mirrored rather than blended with nothing (which would darken them).
HBITMAP Resample(Gdiplus::GpImage* source, int width, int height) {
    UINT sourceWidth = 0;
    UINT sourceHeight = 0;
    Gdiplus::DllExports::GdipGetImageWidth(source, &sourceWidth);
    Gdiplus::DllExports::GdipGetImageHeight(source, &sourceHeight);
    if (sourceWidth == 0 || sourceHeight == 0 || width <= 0 || height <= 0) {
        return nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) {
        return nullptr;
    }
    // Art drawn at this very size is taken as it is, its pixels read straight into the
    // bitmap: a filter could only blur it, and drawing it costs as much as filtering.
    if (sourceWidth == static_cast<UINT>(width) && sourceHeight == static_cast<UINT>(height)) {
        Gdiplus::BitmapData pixels{};
        pixels.Width = sourceWidth;
        pixels.Height = sourceHeight;
        pixels.Stride = width * 4;
        pixels.PixelFormat = PixelFormat32bppRGB;
        pixels.Scan0 = bits;
        const Gdiplus::GpRect whole{0, 0, width, height};
        auto* art = static_cast<Gdiplus::GpBitmap*>(source);
        if (Gdiplus::DllExports::GdipBitmapLockBits(
                art, &whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                PixelFormat32bppRGB, &pixels) == Gdiplus::Ok) {
            Gdiplus::DllExports::GdipBitmapUnlockBits(art, &pixels);
            return bitmap.release();
        }
    }
    const MemoryDC memory(nullptr);
    if (memory.get() == nullptr) {
        return nullptr;
    }
    const ScopedSelect selected(memory.get(), bitmap.get());
    Gdiplus::GpGraphics* rawGraphics = nullptr;
    if (Gdiplus::DllExports::GdipCreateFromHDC(memory.get(), &rawGraphics) != Gdiplus::Ok) {
        return nullptr;
    }
    const ScopedGpGraphics graphics(rawGraphics);
    Gdiplus::DllExports::GdipSetInterpolationMode(graphics.get(),
                                                  Gdiplus::InterpolationModeHighQualityBicubic);
    Gdiplus::DllExports::GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf);
    Gdiplus::DllExports::GdipSetCompositingMode(graphics.get(), Gdiplus::CompositingModeSourceCopy);
    Gdiplus::GpImageAttributes* rawAttributes = nullptr;
    Gdiplus::DllExports::GdipCreateImageAttributes(&rawAttributes);
    const std::unique_ptr<Gdiplus::GpImageAttributes, ImageAttributesDeleter> attributes(
        rawAttributes);
    if (attributes) {
        Gdiplus::DllExports::GdipSetImageAttributesWrapMode(attributes.get(),
                                                            Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    }
    const Gdiplus::GpStatus drawn = Gdiplus::DllExports::GdipDrawImageRectRectI(
        graphics.get(), source, 0, 0, width, height, 0, 0, static_cast<INT>(sourceWidth),
        static_cast<INT>(sourceHeight), Gdiplus::UnitPixel, attributes.get(), nullptr, nullptr);
    Gdiplus::DllExports::GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);
    return drawn == Gdiplus::Ok ? bitmap.release() : nullptr;
}

// The art nearest the skin's DPI: a larger drawing where the build made one, else the
// 96-DPI bitmap.
HBITMAP ResampleResource(HINSTANCE module, WORD id, int width, int height) {
    const WORD offset = ArtResourceOffset(NearestArtPercent(SkinDpi()));
    if (offset != 0) {
        const ScopedStream stream = StreamOfResource(module, static_cast<WORD>(id + offset));
        Gdiplus::GpBitmap* image = nullptr;
        if (stream &&
            Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.get(), &image) == Gdiplus::Ok) {
            const ScopedGpImage art(image); // disposed before its stream is released
            if (HBITMAP scaled = Resample(art.get(), width, height)) {
                return scaled;
            }
        }
    }
    const ScopedBitmap bitmap(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
    const ScopedGpImage art = ImageOfBitmap(bitmap.get());
    return art ? Resample(art.get(), width, height) : nullptr;
}

template <typename Make>
HBITMAP KeptPicture(HINSTANCE module, UINT_PTR source, int width, int height, Make make) {
    for (const Kept& picture : kept) {
        if (picture.module == module && picture.source == source && picture.dpi == SkinDpi() &&
            picture.width == width && picture.height == height) {
            return picture.bitmap;
        }
    }
    HBITMAP made = make();
    if (made != nullptr) {
        kept.push_back(Kept{module, source, SkinDpi(), width, height, made});
    }
    return made;
}

void CopyPicture(HDC dc, HBITMAP picture, int width, int height) {
    if (picture == nullptr || dc == nullptr) {
        return;
    }
    const MemoryDC memory(dc);
    const ScopedSelect selected(memory.get(), picture);
    BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}
} // namespace

void DrawScaledResource(HINSTANCE module, HDC dc, WORD id, int width, int height) {
    const int scaledWidth = SkinLength(width);
    const int scaledHeight = SkinLength(height);
    HBITMAP picture = KeptPicture(module, id, scaledWidth, scaledHeight, [&] {
        return ResampleResource(module, id, scaledWidth, scaledHeight);
    });
    CopyPicture(dc, picture, scaledWidth, scaledHeight);
}

void DrawScaledSlide(HBITMAP slide, HDC dc, int width, int height) {
    const int scaledWidth = SkinLength(width);
    const int scaledHeight = SkinLength(height);
    HBITMAP picture =
        KeptPicture(nullptr, reinterpret_cast<UINT_PTR>(slide), scaledWidth, scaledHeight, [&] {
            const ScopedGpImage image = ImageOfBitmap(slide);
            return image ? Resample(image.get(), scaledWidth, scaledHeight) : nullptr;
        });
    CopyPicture(dc, picture, scaledWidth, scaledHeight);
}

void ForgetScaledPictures() {
    for (const Kept& picture : kept) {
        DeleteObject(picture.bitmap);
    }
    kept.clear();
}
