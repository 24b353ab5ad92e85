#include "ui/dpi_awareness.h"

#include "core/run_time_link.h"
#include "ui/dpi_scale.h"

namespace {
// DPI_AWARENESS_CONTEXT values and PROCESS_PER_MONITOR_DPI_AWARE, written out: the
// headers of older SDKs lack them, and nothing here may depend on which one built it.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
constexpr int kProcessPerMonitorDpiAware = 2;
constexpr HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005L);

using SetContextFunction = BOOL(WINAPI*)(HANDLE);
using SetAwarenessFunction = HRESULT(WINAPI*)(int);
using SetAwareFunction = BOOL(WINAPI*)();
using DpiForWindowFunction = UINT(WINAPI*)(HWND);

HMODULE User32() {
    return GetModuleHandleW(L"user32.dll");
}
} // namespace

void DeclareDpiAwareness() {
    if (const auto setContext =
            LookUpFunction<SetContextFunction>(User32(), "SetProcessDpiAwarenessContext")) {
        // Refused with ERROR_ACCESS_DENIED when the manifest has declared it already.
        if (setContext(kPerMonitorAwareV2) || setContext(kPerMonitorAware) ||
            GetLastError() == ERROR_ACCESS_DENIED) {
            return;
        }
    }
    const ScopedLibrary shcore = LoadSystemLibrary(L"shcore.dll");
    if (const auto setAwareness =
            LookUpFunction<SetAwarenessFunction>(shcore.get(), "SetProcessDpiAwareness")) {
        const HRESULT result = setAwareness(kProcessPerMonitorDpiAware);
        if (SUCCEEDED(result) || result == kAccessDenied) {
            return;
        }
    }
    if (const auto setAware = LookUpFunction<SetAwareFunction>(User32(), "SetProcessDPIAware")) {
        setAware();
    }
}

int DpiOfWindow(HWND window) {
    if (const auto dpiForWindow =
            LookUpFunction<DpiForWindowFunction>(User32(), "GetDpiForWindow")) {
        const UINT dpi = dpiForWindow(window);
        if (dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : kBaseDpi;
}
