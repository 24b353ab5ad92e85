#pragma once
#include <windows.h>
#include <urlmon.h>
#include <gdiplus.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "core/pages.h"

// One record per child window of the main window.
struct ChildControl {
    WNDPROC previousProc = nullptr; // procedure before subclassing; also in GWLP_USERDATA
    HWND hwnd = nullptr;
};

// The slideshow pictures. The picture worker appends while the UI thread paints and
// ticks, so every access takes the lock; a reader never sees the array mid-growth.
// The bitmaps are owned for the life of the process and never deleted.
class SlideList {
public:
    void Append(HBITMAP bitmap);
    std::size_t Count() const;
    HBITMAP At(std::size_t index) const; // nullptr when out of range
    void Clear();                        // storage only: the process is ending

private:
    mutable std::mutex lock;
    std::vector<HBITMAP> bitmaps;
};

// The announced installer digest. Written by the download worker, read by the
// verification on the UI thread; a restarted download may write while a
// verification reads, hence the lock.
class LockedText {
public:
    std::string Get() const;
    void Set(std::string value);
    void Clear();

private:
    mutable std::mutex lock;
    std::string text;
};

// The Application object: the one instance holds everything the wizard window and
// its workers share, and is itself the download's IBindStatusCallback, and its
// IHttpNegotiate (the request headers of a range, the answer's status and headers).
// There is no reference counting; the object is static and never deleted.
//
// Threading contract: each field has one writing side (see the comments). The four
// polled flags are atomics; `slides` and `expectedMd5` carry their own locks.
class VBindCallback : public IBindStatusCallback, public IHttpNegotiate {
public:
    VBindCallback();
    VBindCallback(const VBindCallback&) = delete;
    VBindCallback& operator=(const VBindCallback&) = delete;

    // IUnknown and IBindStatusCallback, in vtable order.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                              STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;
    virtual ~VBindCallback();

    // IHttpNegotiate (after IUnknown's three, which both interfaces share).
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                   LPWSTR* additionalHeaders) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR responseHeaders,
                                         LPCWSTR requestHeaders,
                                         LPWSTR* additionalRequestHeaders) override;

    // Window OnProgress reports to. Written by each download worker before its
    // transfer, read by OnProgress on that worker's thread.
    std::atomic<HWND> notifyWindow{nullptr};
    // Nonzero: OnProgress reports nothing and ends the transfer. Written by the UI.
    std::atomic<int> abortDownload{0};
    ULONG_PTR gdiplusToken = 0;                // UI only
    Gdiplus::GdiplusStartupInput gdiplusInput; // version 1, no callback, no suppression

    // Child control records, one per row of the main window's control table, which
    // gives each its id, place and pages. UI thread only; valid from WM_CREATE until a
    // quit path.
    ChildControl* closeButton = nullptr;
    ChildControl* installButton = nullptr;
    ChildControl* agreeCheck = nullptr;
    ChildControl* agreementLink = nullptr;
    ChildControl* changeFolderLink = nullptr;
    ChildControl* cancelLink = nullptr;
    ChildControl* progressBar = nullptr;
    ChildControl* finishButton = nullptr;
    ChildControl* tencentShareButton = nullptr;
    ChildControl* sinaShareButton = nullptr;
    ChildControl* cleanupCheck = nullptr; // hidden on every page
    ChildControl* retryBanner = nullptr;
    ChildControl* folderLabel = nullptr;
    ChildControl* folderLabelTip = nullptr;  // tooltip of the folder label
    ChildControl* changeFolderTip = nullptr; // tooltip of the change-folder link
    ChildControl* minimizeButton = nullptr;

    std::atomic<int> page{PAGE_AGREE};    // written by the UI only; polled by workers
    std::atomic<int> quitRequested{0};    // written by the UI only; polled by workers
    RECT statusRect{};                    // UI only; set when PAGE_DOWNLOAD is shown
    HWND mainWindow = nullptr;            // set by start-up before any worker exists
    SlideList slides;                     // appended by the picture worker
    LockedText expectedMd5;               // upper-case hex; written by the download worker
    std::atomic<int> cacheBustPending{1}; // UI sets, download worker reads and clears
};

// The one Application object; constructed by the first call (made by start-up before
// any thread exists) and destroyed at process exit.
VBindCallback* GetApp();

// Main-window texts, used on the main thread only.
extern wchar_t statusText[64];  // the status line
extern wchar_t installDir[260]; // the install folder handed to the installer
extern wchar_t folderText[260]; // what the folder label shows after window creation
