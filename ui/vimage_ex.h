#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <new>
#include <vector>

// The program's one animated picture (resource 193 of type "GIF"): a GDI+ image that
// loads itself through a memory stream and plays its frames on a window from a
// thread of its own, double-buffered through a memory device context. Where the
// destination is larger or smaller than the picture (a display of another DPI), each
// frame is filtered to its size once, bicubic, and kept for the next rounds.
//
// GDI+ must be running from construction until deletion. Allocated through the GDI+
// allocator (GdiplusBase); delete it through a pointer of any of its types.
//
// Threading: the owner (UI thread) sets targetWindow and destRect before
// StartAnimation and never changes them afterwards; the animation thread then owns
// the active frame and the memory device context until the destructor stops it.
class VImageEx : public Gdiplus::Image {
public:
    VImageEx();           // from the program's own module
    ~VImageEx() override; // stops the animation first
    VImageEx(const VImageEx&) = delete;
    VImageEx& operator=(const VImageEx&) = delete;

    // Through GdipAlloc like every GDI+ object, but a failed allocation gives null
    // instead of a construction on nothing.
    static void* operator new(size_t size) { return Gdiplus::GdiplusBase::operator new(size); }
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* memory) { Gdiplus::GdiplusBase::operator delete(memory); }
    static void operator delete(void* memory, const std::nothrow_t&) noexcept;

    // Starts the animation thread; true only when this call started it. Does nothing
    // for a picture of fewer than two frames, or when the thread runs already.
    bool StartAnimation();

    UINT FrameCount() const { return frameCount; }
    UINT CurrentFrame() const { return currentFrame.load(); }
    bool Animating() const { return thread != nullptr; }
    // Milliseconds frame `frame` stays, by the picture's own delays.
    unsigned int FrameDelay(UINT frame) const;

    bool loaded = false;         // the resource's bytes made it into the stream
    HWND targetWindow = nullptr; // window the frames are drawn on
    RECT destRect{};             // where, in its client coordinates

private:
    // The picture's bytes, read before the image base is built from them.
    struct ResourceStream {
        IStream* stream = nullptr;
        bool loaded = false;
    };
    explicit VImageEx(ResourceStream source);

    static ResourceStream OpenResourceStream(HMODULE module);
    static bool LoadGifResource(HMODULE module, void* buffer, DWORD* size);
    static IStream* CreateImageStream(const void* bytes, DWORD size);
    bool ReadFrameInfo();
    static unsigned __stdcall AnimationThreadProc(void* self);
    void AnimationLoop();
    void DrawCurrentFrame();
    void DrawFrameInto(HDC dc, int width, int height);
    HBITMAP ScaledFrame(UINT frame, int width, int height);
    void ReleaseFrameBuffer();
    void Shutdown();

    IStream* stream = nullptr;
    HANDLE thread = nullptr;
    HANDLE exitEvent = nullptr; // manual reset: set to end the thread
    UINT frameCount = 0;
    std::atomic<UINT> currentFrame{0};            // written by the animation thread only
    Gdiplus::PropertyItem* frameDelays = nullptr; // malloc'd; only with several frames
    HDC memoryDC = nullptr;
    HBITMAP frameBitmap = nullptr;
    HGDIOBJ replacedBitmap = nullptr;  // what memoryDC held before frameBitmap
    std::vector<HBITMAP> scaledFrames; // per frame, at the destination's size; thread only
};
