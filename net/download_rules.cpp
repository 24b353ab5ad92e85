#include "net/download_rules.h"

#include <algorithm>

std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

std::string CacheBustQuery(std::uint32_t tickCount) {
    return "?skq=" + std::to_string(static_cast<std::int32_t>(tickCount));
}

std::wstring CacheBustQueryW(std::uint32_t tickCount) {
    return L"?skq=" + std::to_wstring(static_cast<std::int32_t>(tickCount));
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

bool TransferCameUpShort(std::uint32_t lastDone, std::uint32_t lastTotal, std::uint64_t fileSize) {
    if (lastTotal == 0) {
        return false; // no announced size: nothing to measure against
    }
    // Progress is reported modulo 2^32, so the file size is compared the same way.
    return lastDone < lastTotal || static_cast<std::uint32_t>(fileSize) != lastTotal;
}

int HttpStatusFromHeaders(std::wstring_view headers) {
    constexpr std::wstring_view kPrefix = L"HTTP/";
    if (headers.substr(0, kPrefix.size()) != kPrefix) {
        return 0;
    }
    const std::size_t space = headers.find(L' ');
    if (space == std::wstring_view::npos || headers.size() < space + 4) {
        return 0;
    }
    int status = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (headers[i] < L'0' || headers[i] > L'9') {
            return 0;
        }
        status = status * 10 + (headers[i] - L'0');
    }
    const bool ends = headers.size() == space + 4 || headers[space + 4] == L' ' ||
                      headers[space + 4] == L'\r' || headers[space + 4] == L'\n';
    return ends ? status : 0;
}

bool DigestCallsForFreshDownload(std::string_view fileDigest, std::string_view expectedDigest) {
    if (fileDigest.empty()) {
        return true; // a file that cannot be hashed is never taken for the installer
    }
    return ToUpperAscii(fileDigest) != expectedDigest;
}
