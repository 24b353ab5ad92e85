#include "core/app_object.h"

wchar_t statusText[64];
wchar_t installDir[260];
wchar_t folderText[260];

void SlideList::Append(HBITMAP bitmap) {
    std::lock_guard<std::mutex> guard(lock);
    bitmaps.push_back(bitmap);
}

std::size_t SlideList::Count() const {
    std::lock_guard<std::mutex> guard(lock);
    return bitmaps.size();
}

HBITMAP SlideList::At(std::size_t index) const {
    std::lock_guard<std::mutex> guard(lock);
    return index < bitmaps.size() ? bitmaps[index] : nullptr;
}

void SlideList::Clear() {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<HBITMAP>().swap(bitmaps);
}

std::string LockedText::Get() const {
    std::lock_guard<std::mutex> guard(lock);
    return text;
}

void LockedText::Set(std::string value) {
    std::lock_guard<std::mutex> guard(lock);
    text = std::move(value);
}

void LockedText::Clear() {
    std::lock_guard<std::mutex> guard(lock);
    std::string().swap(text);
}

VBindCallback::VBindCallback() {
    gdiplusInput.GdiplusVersion = 1;
    gdiplusInput.DebugEventCallback = nullptr;
    gdiplusInput.SuppressBackgroundThread = FALSE;
    gdiplusInput.SuppressExternalCodecs = FALSE;
}

// The process is ending: release the storage of the shared containers. The slide
// bitmaps themselves die with the process.
VBindCallback::~VBindCallback() {
    expectedMd5.Clear();
    slides.Clear();
}

// URL monikers ask the callback for IHttpNegotiate; anything else it does not offer.
HRESULT VBindCallback::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback)) {
        *object = static_cast<IBindStatusCallback*>(this);
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IHttpNegotiate)) {
        *object = static_cast<IHttpNegotiate*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}
// No reference counting: the object is static.
ULONG VBindCallback::AddRef() {
    return 0;
}
ULONG VBindCallback::Release() {
    return 0;
}
// The download needs none of these. (OnStartBinding, OnProgress, OnStopBinding,
// GetBindInfo and IHttpNegotiate are the download's, in net/.)
HRESULT VBindCallback::GetPriority(LONG*) {
    return E_NOTIMPL;
}
HRESULT VBindCallback::OnLowResource(DWORD) {
    return E_NOTIMPL;
}
HRESULT VBindCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}
HRESULT VBindCallback::OnObjectAvailable(REFIID, IUnknown*) {
    return E_NOTIMPL;
}

VBindCallback* GetApp() {
    // A function-local static: built by the first call, destroyed at process exit.
    static VBindCallback app;
    return &app;
}
