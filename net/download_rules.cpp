#include "net/download_rules.h"

#include <algorithm>

#include "net/ascii_case.h"
#include "net/http_headers.h"

namespace {
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

} // namespace

std::wstring CacheBustQuery(std::uint32_t tickCount) {
    return L"?skq=" + std::to_wstring(static_cast<std::int32_t>(tickCount));
}

std::wstring InstallerCacheBustQuery(std::wstring_view address, std::uint32_t tickCount) {
    std::wstring query = CacheBustQuery(tickCount);
    if (address.find(L'?') != std::wstring_view::npos) {
        query.front() = L'&';
    }
    return query;
}

std::optional<std::wstring> InstallerUrlWithin(std::wstring_view address, std::wstring_view query) {
    if (address.size() + query.size() > kInstallerUrlMaxChars) {
        return std::nullopt;
    }
    std::wstring url(address);
    url += query;
    return url;
}

std::optional<int> DownloadPercent(std::uint32_t total, std::uint32_t done) {
    if (total == 0) {
        return std::nullopt;
    }
    const std::uint64_t percent = static_cast<std::uint64_t>(done) * 100 / total;
    return static_cast<int>(std::min<std::uint64_t>(percent, 100));
}

bool TransferCameUpShort(std::uint32_t lastDone, std::uint32_t lastTotal, std::uint64_t fileSize,
                         bool contentEncoded) {
    if (lastTotal == 0) {
        return false; // no announced size: nothing to measure against
    }
    if (lastDone < lastTotal) {
        return true;
    }
    // Progress is reported modulo 2^32, so the file size is compared the same way.
    return !contentEncoded && static_cast<std::uint32_t>(fileSize) != lastTotal;
}

bool HeadersNameContentEncoding(std::wstring_view headers) {
    const std::vector<std::wstring_view> values = HeaderValues(headers, L"content-encoding");
    return std::any_of(values.begin(), values.end(), [](std::wstring_view value) {
        return !value.empty() && !EqualsIgnoringAsciiCase(value, std::wstring_view(L"identity"));
    });
}

int HttpStatusFromHeaders(std::wstring_view headers) {
    const std::wstring_view line = headers.substr(0, headers.find_first_of(L"\r\n"));
    constexpr std::wstring_view kPrefix = L"HTTP/";
    if (line.substr(0, kPrefix.size()) != kPrefix) {
        return kHttpStatusUnreadable;
    }
    // The version: digits, and a dot with more digits ("1.1", "2").
    std::size_t at = kPrefix.size();
    const std::size_t versionStart = at;
    while (at < line.size() && IsDigit(line[at])) {
        ++at;
    }
    if (at == versionStart) {
        return kHttpStatusUnreadable;
    }
    if (at < line.size() && line[at] == L'.') {
        const std::size_t minorStart = ++at;
        while (at < line.size() && IsDigit(line[at])) {
            ++at;
        }
        if (at == minorStart) {
            return kHttpStatusUnreadable;
        }
    }
    const std::size_t blanksStart = at;
    while (at < line.size() && IsBlank(line[at])) {
        ++at;
    }
    constexpr std::size_t kCodeDigits = 3;
    // (Defence in depth: the version took every digit, so no code could follow unblanked.)
    if (at == blanksStart || line.size() - at < kCodeDigits) {
        return kHttpStatusUnreadable;
    }
    int status = 0;
    for (std::size_t end = at + kCodeDigits; at < end; ++at) {
        if (!IsDigit(line[at])) {
            return kHttpStatusUnreadable;
        }
        status = status * 10 + (line[at] - L'0');
    }
    if (at < line.size() && !IsBlank(line[at])) {
        return kHttpStatusUnreadable; // more digits, or no end to the code
    }
    return status < 100 ? kHttpStatusUnreadable : status;
}

bool CachedStatusAcceptsFile(int status) {
    return status == 0 || (status >= 100 && status < 400);
}

bool DigestCallsForFreshDownload(std::string_view fileDigest, std::string_view expectedDigest) {
    if (fileDigest.empty()) {
        return true; // a file that cannot be hashed is never taken for the installer
    }
    return ToUpperAscii(fileDigest) != expectedDigest;
}
