// Measurements of the download and the digest, driven by download_bench.py:
//   net_bench real          one attempt as the program starts it, the Application
//                           object as callback, a window handling every report
//   net_bench plain URL OUT URLDownloadToFileW with a callback that does nothing
//   net_bench md5 FILE      FileMd5Hex, with the process's peak working set around it
//   net_bench append FILE   the copy of a downloaded range (FILE, moved away) onto the
//                           bytes held, as a resumed download appends it
// Each prints one line of "key=value" pairs.
#include <windows.h>
#include <psapi.h>
#include <urlmon.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

#include "bench/bench_clock.h"
#include "core/app_object.h"
#include "core/messages.h"
#include "core/working_paths.h"
#include "install/working_files.h"
#include "net/download.h"
#include "net/download_attempts.h"
#include "net/download_rules.h"
#include "net/held_download.h"
#include "net/file_md5.h"

namespace {
// What the main window does with a report: percentage, highest value, status text,
// repaint of the status line.
int reports = 0;
int maxPercent = 1;
LPARAM outcome = DOWNLOAD_FAILED;
wchar_t benchStatus[64];

LRESULT CALLBACK ReportWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_DOWNLOAD_PROGRESS) {
        ++reports;
        const auto percent =
            DownloadPercent(static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam));
        if (percent && *percent >= maxPercent) {
            maxPercent = *percent;
        }
        swprintf(benchStatus, 64, L"\u5df2\u4e0b\u8f7d\uff1a%d%%", maxPercent);
        RECT status{34, 331, 250, 360};
        InvalidateRect(hwnd, &status, FALSE);
        return 0;
    }
    if (message == UM_DOWNLOAD_ENDED) {
        outcome = lParam;
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunReal() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ReportWindow;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TidewellBenchWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0,
                                  570, 370, nullptr, nullptr, windowClass.hInstance, nullptr);
    CleanWorkingFiles();
    const LARGE_INTEGER started = Now();
    MakeCurrentAttempt(1);
    StartDownloadAttempt(window, 1);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    const LARGE_INTEGER ended = Now();
    const bool placed = outcome == DOWNLOAD_PLACED;
    std::printf("seconds=%.3f reports=%d placed=%d percent=%d file=%ls\n", Seconds(started, ended),
                reports, placed ? 1 : 0, maxPercent, GetInstallerFilePath().c_str());
    return placed ? 0 : 1;
}

class NullCallback : public IBindStatusCallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override {
        ++reports;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }
    virtual ~NullCallback() = default;
};

int RunPlain(const wchar_t* url, const wchar_t* out) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    NullCallback callback;
    const LARGE_INTEGER started = Now();
    const HRESULT result = URLDownloadToFileW(nullptr, url, out, 0, &callback);
    const LARGE_INTEGER ended = Now();
    std::printf("seconds=%.3f reports=%d result=0x%08lx\n", Seconds(started, ended), reports,
                static_cast<unsigned long>(result));
    CoUninitialize();
    return result == S_OK ? 0 : 1;
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

int RunMd5(const wchar_t* file) {
    const SIZE_T peakBefore = PeakWorkingSet();
    const LARGE_INTEGER started = Now();
    const std::string digest = FileMd5Hex(file);
    const LARGE_INTEGER ended = Now();
    const SIZE_T peakAfter = PeakWorkingSet();
    std::printf("seconds=%.3f md5=%s peak_before=%llu peak_after=%llu\n", Seconds(started, ended),
                digest.c_str(), static_cast<unsigned long long>(peakBefore),
                static_cast<unsigned long long>(peakAfter));
    return digest.empty() ? 1 : 0;
}
// Holds a 1 MiB prefix, then appends FILE to it as the range that follows.
int RunAppend(const wchar_t* file) {
    const std::wstring range = GetInstallerFilePath() + L".bench-range";
    const std::wstring prefix = GetInstallerFilePath() + L".bench-prefix";
    constexpr DWORD kPrefix = 1 << 20;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!MoveFileExW(file, range.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) ||
        !GetFileAttributesExW(range.c_str(), GetFileExInfoStandard, &data)) {
        return 1;
    }
    const std::uint64_t length = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    HANDLE out = CreateFileW(prefix.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::string zeros(kPrefix, '\0');
    DWORD written = 0;
    WriteFile(out, zeros.data(), kPrefix, &written, nullptr);
    CloseHandle(out);
    const std::wstring address = L"http://bench/installer.exe";
    const Validator validator{L"\"bench\"", true};
    MakeCurrentAttempt(1);
    HeldBytesFor(address);
    if (!HoldPrefix(1, address, prefix, kPrefix, kPrefix + length, validator)) {
        return 1;
    }
    const LARGE_INTEGER started = Now();
    const bool appended = AppendToHeldBytes(1, address, range, length, kPrefix + length, validator);
    const LARGE_INTEGER ended = Now();
    std::printf("seconds=%.3f appended=%d bytes=%llu\n", Seconds(started, ended), appended ? 1 : 0,
                static_cast<unsigned long long>(length));
    ForgetHeldBytes(1);
    DeleteFileW(range.c_str());
    return appended ? 0 : 1;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"real") {
        return RunReal();
    }
    if (mode == L"plain" && argc > 3) {
        return RunPlain(argv[2], argv[3]);
    }
    if (mode == L"md5" && argc > 2) {
        return RunMd5(argv[2]);
    }
    if (mode == L"append" && argc > 2) {
        return RunAppend(argv[2]);
    }
    std::fprintf(stderr, "usage: net_bench real | plain URL OUT | md5 FILE | append FILE\n");
    return 2;
}
