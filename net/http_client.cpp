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
// Header blocks longer than this are not read (the status still is).
constexpr std::size_t kMaxHeaderBytes = 16 * 1024;

using InternetOpenAFn = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using InternetOpenUrlAFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using InternetReadFileFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using InternetCloseHandleFn = BOOL(WINAPI*)(HINTERNET);
using HttpQueryInfoAFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);

// WinINet's functions, found at run time; usable only when all are.
struct WinInet {
    explicit WinInet(HMODULE module)
        : open(LookUpFunction<InternetOpenAFn>(module, "InternetOpenA")),
          openUrl(LookUpFunction<InternetOpenUrlAFn>(module, "InternetOpenUrlA")),
          read(LookUpFunction<InternetReadFileFn>(module, "InternetReadFile")),
          close(LookUpFunction<InternetCloseHandleFn>(module, "InternetCloseHandle")),
          queryInfo(LookUpFunction<HttpQueryInfoAFn>(module, "HttpQueryInfoA")) {}
    bool complete() const { return open && openUrl && read && close && queryInfo; }

    InternetOpenAFn open;
    InternetOpenUrlAFn openUrl;
    InternetReadFileFn read;
    InternetCloseHandleFn close;
    HttpQueryInfoAFn queryInfo;
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

// The answer's status and header block; nothing of them when WinINet cannot tell.
void ReadStatusAndHeaders(const WinInet& api, HINTERNET request, HttpTextAnswer& answer) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (api.queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr) &&
        status <= 999) {
        answer.status = static_cast<int>(status);
    }
    std::string raw(kMaxHeaderBytes, '\0');
    size = static_cast<DWORD>(raw.size());
    if (api.queryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &size, nullptr) &&
        size <= raw.size()) {
        raw.resize(size);
        for (char c : raw) { // byte by byte: the names and values read here are ASCII
            answer.headers.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
    }
}
} // namespace

std::string HttpGetText(const wchar_t* address) {
    return HttpGet(address).body;
}

HttpTextAnswer HttpGet(const wchar_t* address) {
    HttpTextAnswer answer;
    if (!address) {
        return answer;
    }
    // The address in the ANSI code page must fit 128 bytes with its NUL; a longer one
    // is refused, never cut into a different address.
    char ansi[kAnsiAddressBytes] = {};
    if (WideCharToMultiByte(CP_ACP, 0, address, -1, ansi, kAnsiAddressBytes, nullptr, nullptr) ==
        0) {
        return answer;
    }
    const std::string url = AnsiToUtf8(ansi);
    if (url.empty()) {
        return answer;
    }

    ScopedLibrary library(LoadLibraryW(L"Wininet.dll"));
    if (!library.valid()) {
        return answer;
    }
    const WinInet api(library.get());
    if (!api.complete()) {
        return answer;
    }
    const InternetHandle session(
        api, api.open("Tidewell", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.get()) {
        return answer;
    }
    const InternetHandle request(
        api, api.openUrl(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request.get()) {
        return answer;
    }
    ReadStatusAndHeaders(api, request.get(), answer);
    answer.body = ReadBody(api, request.get());
    return answer;
}
