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

// Only URLDownloadToFileW ever holds this object, and it needs none of these.
HRESULT VBindCallback::QueryInterface(REFIID, void**) {
    return E_NOTIMPL;
}
ULONG VBindCallback::AddRef() {
    return 0;
}
ULONG VBindCallback::Release() {
    return 0;
}
HRESULT VBindCallback::OnStartBinding(DWORD, IBinding*) {
    return E_NOTIMPL;
}
HRESULT VBindCallback::GetPriority(LONG*) {
    return E_NOTIMPL;
}
HRESULT VBindCallback::OnLowResource(DWORD) {
    return E_NOTIMPL;
}
HRESULT VBindCallback::OnStopBinding(HRESULT, LPCWSTR) {
    return E_NOTIMPL;
}
HRESULT VBindCallback::GetBindInfo(DWORD*, BINDINFO*) {
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
