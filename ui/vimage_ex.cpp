#include "ui/vimage_ex.h"

#include <process.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/gdi_handles.h"
#include "res/resource.h"
#include "ui/frame_delay.h"

namespace {
// The time dimension of an animated GIF; written out here so nothing hinges on
// which import library happens to define it.
constexpr GUID kFrameDimensionTime = {
    0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
constexpr wchar_t kGifResourceType[] = L"GIF";
} // namespace

void* VImageEx::operator new(size_t size, const std::nothrow_t&) noexcept {
    return Gdiplus::DllExports::GdipAlloc(size);
}

void VImageEx::operator delete(void* memory, const std::nothrow_t&) noexcept {
    Gdiplus::DllExports::GdipFree(memory);
}

VImageEx::VImageEx() : VImageEx(OpenResourceStream(GetModuleHandleW(nullptr))) {}

// The base decodes the picture from the stream as it is built (an empty stream when
// the resource could not be read: the image then simply stays without a picture).
VImageEx::VImageEx(ResourceStream source)
    : Gdiplus::Image(source.stream), loaded(source.loaded), stream(source.stream) {
    exitEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (loaded) {
        ReadFrameInfo(); // whether it animates shows in frameCount
    }
}

VImageEx::~VImageEx() {
    Shutdown();
} // the base then disposes of the native image

VImageEx::ResourceStream VImageEx::OpenResourceStream(HMODULE module) {
    ResourceStream result;
    DWORD size = 0;
    if (!LoadGifResource(module, nullptr, &size) || size == 0) {
        return result;
    }
    const std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size]);
    if (!bytes || !LoadGifResource(module, bytes.get(), &size)) {
        return result;
    }
    result.stream = CreateImageStream(bytes.get(), size);
    result.loaded = result.stream != nullptr;
    return result;
}

bool VImageEx::LoadGifResource(HMODULE module, void* buffer, DWORD* size) {
    const HRSRC found =
        FindResourceW(module, MAKEINTRESOURCEW(IDR_RETRY_ANIMATION), kGifResourceType);
    if (found == nullptr) {
        return false;
    }
    const HGLOBAL loadedResource = LoadResource(module, found);
    if (loadedResource == nullptr) {
        return false;
    }
    const void* bytes = LockResource(loadedResource);
    const DWORD resourceSize = SizeofResource(module, found);
    bool ok = bytes != nullptr;
    if (ok && buffer != nullptr) {
        ok = *size >= resourceSize; // never more than the caller's buffer holds
        if (ok) {
            std::memcpy(buffer, bytes, resourceSize);
        }
    }
    if (bytes != nullptr) {
        *size = resourceSize;
    }
    FreeResource(loadedResource);
    return ok;
}

IStream* VImageEx::CreateImageStream(const void* bytes, DWORD size) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) {
        return nullptr;
    }
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(memory);
    IStream* created = nullptr;
    // The stream owns the memory from here on and frees it when released.
    if (CreateStreamOnHGlobal(memory, TRUE, &created) != S_OK) {
        GlobalFree(memory);
        return nullptr;
    }
    return created;
}

bool VImageEx::ReadFrameInfo() {
    const UINT dimensionCount = GetFrameDimensionsCount();
    if (dimensionCount == 0) {
        return false;
    }
    const std::unique_ptr<GUID[]> dimensions(new (std::nothrow) GUID[dimensionCount]);
    if (!dimensions) {
        return false;
    }
    GetFrameDimensionsList(dimensions.get(), dimensionCount);
    frameCount = GetFrameCount(&dimensions[0]);
    if (frameCount > 1) {
        const UINT size = GetPropertyItemSize(PropertyTagFrameDelay);
        if (size >= sizeof(Gdiplus::PropertyItem)) {
            frameDelays = static_cast<Gdiplus::PropertyItem*>(std::malloc(size));
            if (frameDelays != nullptr &&
                GetPropertyItem(PropertyTagFrameDelay, size, frameDelays) == Gdiplus::Ok) {
                // Trust no length beyond what was actually allocated.
                const UINT room = size - sizeof(Gdiplus::PropertyItem);
                const auto* start = static_cast<const unsigned char*>(frameDelays->value);
                const auto* first = reinterpret_cast<const unsigned char*>(frameDelays + 1);
                if (start < first || start > first + room ||
                    frameDelays->length > room - static_cast<UINT>(start - first)) {
                    frameDelays->length = 0;
                }
            } else {
                std::free(frameDelays);
                frameDelays = nullptr;
            }
        }
    }
    return frameCount > 1;
}

unsigned int VImageEx::FrameDelay(UINT frame) const {
    if (frameDelays == nullptr) {
        return FrameDelayFromProperty(nullptr, 0, frame);
    }
    return FrameDelayFromProperty(frameDelays->value, frameDelays->length, frame);
}

bool VImageEx::StartAnimation() {
    // Without a window the frames would land on the whole screen.
    if (frameCount <= 1 || thread != nullptr || targetWindow == nullptr) {
        return false;
    }
    {
        const WindowDC windowDC(targetWindow);
        memoryDC = CreateCompatibleDC(windowDC.get());
        const UINT height = GetHeight();
        const UINT width = GetWidth();
        frameBitmap = CreateCompatibleBitmap(windowDC.get(), static_cast<int>(width),
                                             static_cast<int>(height));
        scaledFrames.assign(frameCount, nullptr);
        if (memoryDC != nullptr && frameBitmap != nullptr) {
            replacedBitmap = SelectObject(memoryDC, frameBitmap);
        }
    }
    thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &VImageEx::AnimationThreadProc,
                                                     this, CREATE_SUSPENDED, nullptr));
    if (thread == nullptr) {
        ReleaseFrameBuffer();
        return false;
    }
    ResumeThread(thread);
    return true;
}

unsigned __stdcall VImageEx::AnimationThreadProc(void* self) {
    static_cast<VImageEx*>(self)->AnimationLoop();
    return 0;
}

void VImageEx::AnimationLoop() {
    currentFrame.store(0);
    for (;;) {
        // Asked to end before the first frame: draw nothing more.
        if (WaitForSingleObject(exitEvent, 0) == WAIT_OBJECT_0) {
            return;
        }
        DrawCurrentFrame();
        const UINT shown = currentFrame.load();
        if (WaitForSingleObject(exitEvent, FrameDelay(shown)) == WAIT_OBJECT_0) {
            return;
        }
        const UINT next = shown + 1 >= frameCount ? 0 : shown + 1;
        currentFrame.store(next);
        SelectActiveFrame(&kFrameDimensionTime, next);
    }
}

// One frame: drawn by GDI+ into the memory bitmap over the window colour (so
// transparent parts never show the previous frame), then copied to the window in a
// single StretchBlt, so the window never shows a half-drawn frame.
void VImageEx::DrawCurrentFrame() {
    const WindowDC windowDC(targetWindow);
    if (windowDC.get() == nullptr || memoryDC == nullptr) {
        return;
    }
    const int width = static_cast<int>(GetWidth());
    const int height = static_cast<int>(GetHeight());
    const int destWidth = destRect.right - destRect.left;
    const int destHeight = destRect.bottom - destRect.top;
    if (destWidth == width && destHeight == height) {
        SelectObject(memoryDC, frameBitmap);
        DrawFrameInto(memoryDC, width, height);
        BitBlt(windowDC.get(), destRect.left, destRect.top, width, height, memoryDC, 0, 0, SRCCOPY);
        return;
    }
    HBITMAP scaled = ScaledFrame(currentFrame.load(), destWidth, destHeight);
    if (scaled != nullptr) {
        SelectObject(memoryDC, scaled);
        BitBlt(windowDC.get(), destRect.left, destRect.top, destWidth, destHeight, memoryDC, 0, 0,
               SRCCOPY);
    }
}

// The active frame over the window colour (so transparent parts never show the
// previous frame), filling width x height of `dc`; filtered where that is not the
// picture's own size.
void VImageEx::DrawFrameInto(HDC dc, int width, int height) {
    const RECT frame{0, 0, width, height};
    FillRect(dc, &frame, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    Gdiplus::Graphics graphics(dc);
    const int pictureWidth = static_cast<int>(GetWidth());
    const int pictureHeight = static_cast<int>(GetHeight());
    if (width == pictureWidth && height == pictureHeight) {
        graphics.DrawImage(this, 0, 0, width, height);
        return;
    }
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::ImageAttributes mirroredEdges; // no blending with nothing beyond the edges
    mirroredEdges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    graphics.DrawImage(this, Gdiplus::Rect(0, 0, width, height), 0, 0, pictureWidth, pictureHeight,
                       Gdiplus::UnitPixel, &mirroredEdges);
}

// Frame `frame` filtered to width x height: made the first time it is shown, then kept
// until the animation stops.
HBITMAP VImageEx::ScaledFrame(UINT frame, int width, int height) {
    if (frame >= scaledFrames.size()) {
        return nullptr;
    }
    if (scaledFrames[frame] == nullptr) {
        const WindowDC windowDC(targetWindow);
        HBITMAP made = CreateCompatibleBitmap(windowDC.get(), width, height);
        if (made == nullptr) {
            return nullptr;
        }
        SelectObject(memoryDC, made);
        DrawFrameInto(memoryDC, width, height);
        scaledFrames[frame] = made;
    }
    return scaledFrames[frame];
}

// The memory device context and its bitmap, made for the animation thread.
void VImageEx::ReleaseFrameBuffer() {
    if (memoryDC != nullptr && replacedBitmap != nullptr) {
        SelectObject(memoryDC, replacedBitmap);
    }
    for (HBITMAP scaled : scaledFrames) {
        if (scaled != nullptr) {
            DeleteObject(scaled);
        }
    }
    scaledFrames.clear();
    if (memoryDC != nullptr) {
        DeleteDC(memoryDC);
    }
    if (frameBitmap != nullptr) {
        DeleteObject(frameBitmap);
    }
    memoryDC = nullptr;
    frameBitmap = nullptr;
    replacedBitmap = nullptr;
}

void VImageEx::Shutdown() {
    if (thread != nullptr) {
        SetEvent(exitEvent);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
        ReleaseFrameBuffer();
    }
    if (exitEvent != nullptr) {
        CloseHandle(exitEvent);
        exitEvent = nullptr;
    }
    std::free(frameDelays);
    frameDelays = nullptr;
    if (stream != nullptr) {
        stream->Release();
        stream = nullptr;
    }
}
