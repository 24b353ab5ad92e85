#include "net/http_client.h"

#include <windows.h>
#include <wininet.h>

#include "core/handles.h"
#include "core/run_time_link.h"
#include "net/ansi_text.h"

namespace {
// Answers are a few hundred bytes; anything this large is not an answer, and reading
// on would let a broken service fill the memory.
constexpr std::size_t kMaxAnswerBytes = 64 * 1024;
constexpr DWORD kReadChunk = 1023;
constexpr int kAnsiAddressBytes = 128;

using InternetOpenAFn = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using InternetOpenUrlAFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using InternetReadFileFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using InternetCloseHandleFn = BOOL(WINAPI*)(HINTERNET);

// WinINet's four functions, found at run time; usable only when all four are.
struct WinInet {
    explicit WinInet(HMODULE module)
        : open(LookUpFunction<InternetOpenAFn>(module, "InternetOpenA")),
          openUrl(LookUpFunction<InternetOpenUrlAFn>(module, "InternetOpenUrlA")),
          read(LookUpFunction<InternetReadFileFn>(module, "InternetReadFile")),
          close(LookUpFunction<InternetCloseHandleFn>(module, "InternetCloseHandle")) {}
    bool complete() const { return open && openUrl && read && close; }

    InternetOpenAFn open;
    InternetOpenUrlAFn openUrl;
    InternetReadFileFn read;
    InternetCloseHandleFn close;
};

// An internet handle closed through the looked-up function.
class InternetHandle {
public:
    InternetHandle(const WinInet& api, HINTERNET handle) : api_(api), handle_(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (handle_) {
            api_.close(handle_);
        }
    }
    HINTERNET get() const { return handle_; }

private:
    const WinInet& api_;
    HINTERNET handle_;
};

std::string ReadBody(const WinInet& api, HINTERNET request) {
    std::string body;
    char buffer[kReadChunk + 1] = {};
    for (;;) {
        DWORD got = 0;
        if (!api.read(request, buffer, kReadChunk, &got) || got == 0) {
            break;
        }
        body.append(buffer, got > kReadChunk ? kReadChunk : got);
        if (body.size() > kMaxAnswerBytes) {
            return {};
        }
    }
    // The answer is narrow text: it ends at its first NUL.
    const std::size_t nul = body.find('\0');
    if (nul != std::string::npos) {
        body.resize(nul);
    }
    return body;
}
} // namespace

std::string HttpGetText(const wchar_t* address) {
    if (!address) {
        return {};
    }
    // The address in the ANSI code page must fit 128 bytes with its NUL; a longer one
    // is refused, never cut into a different address.
    char ansi[kAnsiAddressBytes] = {};
    if (WideCharToMultiByte(CP_ACP, 0, address, -1, ansi, kAnsiAddressBytes, nullptr, nullptr) ==
        0) {
        return {};
    }
    const std::string url = AnsiToUtf8(ansi);
    if (url.empty()) {
        return {};
    }

    ScopedLibrary library(LoadLibraryW(L"Wininet.dll"));
    if (!library.valid()) {
        return {};
    }
    const WinInet api(library.get());
    if (!api.complete()) {
        return {};
    }
    const InternetHandle session(
        api, api.open("Tidewell", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.get()) {
        return {};
    }
    const InternetHandle request(
        api, api.openUrl(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request.get()) {
        return {};
    }
    return ReadBody(api, request.get());
}
