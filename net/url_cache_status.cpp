#include "net/url_cache_status.h"

#include <windows.h>
#include <wininet.h>

#include <string_view>
#include <vector>

#include "net/download_rules.h"

namespace {
std::wstring CachedResponseHeaders(const wchar_t* url) {
    DWORD size = 0;
    GetUrlCacheEntryInfoW(url, nullptr, &size);
    if (size < sizeof(INTERNET_CACHE_ENTRY_INFOW) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return {};
    }
    // The entry and the strings it points to come in one block; 8-byte aligned storage.
    std::vector<unsigned long long> block((size + sizeof(unsigned long long) - 1) /
                                          sizeof(unsigned long long));
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(block.data());
    entry->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
    if (!GetUrlCacheEntryInfoW(url, entry, &size) || !entry->lpHeaderInfo) {
        return {};
    }
    const wchar_t* headers = entry->lpHeaderInfo;
    const char* blockEnd =
        reinterpret_cast<const char*>(block.data()) + block.size() * sizeof(block[0]);
    const char* headersAt = reinterpret_cast<const char*>(headers);
    if (headersAt < reinterpret_cast<const char*>(block.data()) || headersAt >= blockEnd) {
        return {};
    }
    // Stay inside the block even if the header size or terminator is off.
    const std::size_t room = static_cast<std::size_t>(blockEnd - headersAt) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < room && headers[length] != L'\0') {
        ++length;
    }
    return std::wstring(headers, length);
}

} // namespace

CachedResponse CachedResponseOf(const wchar_t* url) {
    const std::wstring headers = CachedResponseHeaders(url);
    if (headers.empty()) {
        return {};
    }
    return {HttpStatusFromHeaders(headers), HeadersNameContentEncoding(headers)};
}
