#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The cache-busting query "?skq=" and the tick count as a signed decimal: from about
// 24.9 days of uptime on it carries a minus sign, as the service has always seen it.
std::wstring CacheBustQuery(std::uint32_t tickCount);
// The cache-busting query for the installer address: the same, but begun with "&"
// when the address carries a query of its own, which is kept.
std::wstring InstallerCacheBustQuery(std::wstring_view address, std::uint32_t tickCount);

// The installer address handed to URLDownloadToFileW holds at most 129 characters
// with its query; a longer one is not used rather than cut into a different address.
constexpr std::size_t kInstallerUrlMaxChars = 129;
std::optional<std::wstring> InstallerUrlWithin(std::wstring_view address, std::wstring_view query);

// Percentage of a download from UM_DOWNLOAD_PROGRESS (wParam total, lParam done).
// Both are the 32-bit unsigned values URLDownloadToFileW reports, so totals of 2 GiB
// and more work; the result lies in 0..100. A total of 0 gives no percentage.
std::optional<int> DownloadPercent(std::uint32_t total, std::uint32_t done);

// A transfer that URLDownloadToFileW called a success can still have come up short:
// the server closed the connection before the announced total. `lastDone` and
// `lastTotal` are the last progress report, `fileSize` what arrived on disk. With a
// content encoding (a compressed transfer, decoded on the way) the total counts the
// bytes sent and the file holds the decoded ones, so only a report short of its own
// total tells then; what cannot be known is left to the digest.
bool TransferCameUpShort(std::uint32_t lastDone, std::uint32_t lastTotal, std::uint64_t fileSize,
                         bool contentEncoded);

// Whether a response's raw header block names a content encoding other than
// "identity" (header names compared without regard to case).
bool HeadersNameContentEncoding(std::wstring_view headers);

// The status code of a response's raw header block ("HTTP/1.1 404 Not Found\r\n..."),
// read from its first line only: "HTTP/", the version, blanks, three digits and the
// end of the code. Anything else gives kHttpStatusUnreadable, never a guess.
constexpr int kHttpStatusUnreadable = -1;
int HttpStatusFromHeaders(std::wstring_view headers);

// Whether a transfer's file may count as what was asked for, by the status that the
// cache recorded for it: a status below 400 lets it, and so does none at all (0: the
// cache may keep no entry, and then the other checks decide); an error status or a
// status line that cannot be read does not, since either may stand for an error page.
bool CachedStatusAcceptsFile(int status);

// The verification's verdict: a fresh download is needed when the file's digest
// differs from the announced one (compared in upper case) or could not be computed.
bool DigestCallsForFreshDownload(std::string_view fileDigest, std::string_view expectedDigest);
