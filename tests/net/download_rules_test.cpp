#include <gtest/gtest.h>

#include <vector>

#include "net/download_rules.h"

// The address URLDownloadToFileW gets is at most 129 characters, as the program always had it.
static_assert(kInstallerUrlMaxChars == 129);

TEST(CacheBustQuery, WritesTheTickCountAsSignedDecimal) {
    EXPECT_EQ(CacheBustQuery(0), L"?skq=0");
    EXPECT_EQ(CacheBustQuery(123456), L"?skq=123456");
    EXPECT_EQ(CacheBustQuery(0x7FFFFFFFu), L"?skq=2147483647");
    // Past 2^31 ms of uptime the count reads negative, and at 2^32 it starts again.
    EXPECT_EQ(CacheBustQuery(0x80000000u), L"?skq=-2147483648");
    EXPECT_EQ(CacheBustQuery(0xFFFFFFFFu), L"?skq=-1");
}

// The installer address keeps a query of its own; the cache-busting one joins it.
TEST(InstallerCacheBustQuery, JoinsAQueryOfTheAddresssOwn) {
    EXPECT_EQ(InstallerCacheBustQuery(L"http://h/a.exe", 7), L"?skq=7");
    EXPECT_EQ(InstallerCacheBustQuery(L"http://h/a.exe?k=1", 0xFFFFFFFFu), L"&skq=-1");
    EXPECT_EQ(InstallerCacheBustQuery(L"http://h/a.exe?", 7), L"&skq=7");
}

TEST(InstallerUrlWithin, RefusesAddressesItWouldHaveToCut) {
    const std::wstring address(kInstallerUrlMaxChars - 10, L'a');
    EXPECT_EQ(InstallerUrlWithin(address, L"?skq=12345")->size(), kInstallerUrlMaxChars);
    EXPECT_FALSE(InstallerUrlWithin(address, L"?skq=123456").has_value());
    EXPECT_FALSE(InstallerUrlWithin(address + L"bcdefghijkl", L"").has_value());
    EXPECT_EQ(InstallerUrlWithin(L"http://h/a.exe", L""), L"http://h/a.exe");
}

TEST(DownloadPercent, TruncatesAndNeedsATotal) {
    EXPECT_FALSE(DownloadPercent(0, 0).has_value());
    EXPECT_FALSE(DownloadPercent(0, 500).has_value());
    EXPECT_EQ(DownloadPercent(200, 50), 25);
    EXPECT_EQ(DownloadPercent(3, 1), 33);
    EXPECT_EQ(DownloadPercent(3, 2), 66);
    EXPECT_EQ(DownloadPercent(8192, 8192), 100);
}

// Sizes of 2 GiB and more arrive with the top bit set; read as signed they would
// give negative or wildly wrong percentages.
TEST(DownloadPercent, LargeTotalsAreUnsigned) {
    EXPECT_EQ(DownloadPercent(0xC0000000u, 0x60000000u), 50);
    EXPECT_EQ(DownloadPercent(0xFFFFFFFFu, 0x80000001u), 50);
    EXPECT_EQ(DownloadPercent(0xFFFFFFFFu, 0xFFFFFFFFu), 100);
    EXPECT_EQ(DownloadPercent(0x80000000u, 0x7FFFFFFFu), 99);
    EXPECT_EQ(DownloadPercent(0x80000000u, 1), 0);
}

TEST(DownloadPercent, NeverPassesAHundred) {
    EXPECT_EQ(DownloadPercent(100, 250), 100);
    EXPECT_EQ(DownloadPercent(1, 0xFFFFFFFFu), 100);
}

TEST(TransferCameUpShort, ComparesTheLastReportAndTheFileWithTheTotal) {
    EXPECT_FALSE(TransferCameUpShort(1000, 1000, 1000, false));
    EXPECT_TRUE(TransferCameUpShort(400, 1000, 400, false));  // connection closed early
    EXPECT_TRUE(TransferCameUpShort(1000, 1000, 999, false)); // less on disk than reported
    EXPECT_FALSE(TransferCameUpShort(0, 0, 123, false));      // no total announced
    // 5 GiB arrives as 1 GiB modulo 2^32.
    const std::uint64_t fiveGiB = 5ull << 30;
    EXPECT_FALSE(TransferCameUpShort(1u << 30, 1u << 30, fiveGiB, false));
    EXPECT_TRUE(TransferCameUpShort(1u << 30, 1u << 30, fiveGiB - 1, false));
}

// Compressed on the way: the total counts what was sent, the file what it decoded to.
TEST(TransferCameUpShort, AnEncodedTransferIsJudgedByItsReportsOnly) {
    EXPECT_FALSE(TransferCameUpShort(428649, 428649, 1268160, true));
    EXPECT_FALSE(TransferCameUpShort(1268160, 428649, 1268160, true)); // decoded bytes counted
    EXPECT_TRUE(TransferCameUpShort(300000, 428649, 900000, true));
    EXPECT_FALSE(TransferCameUpShort(0, 0, 540428, true));
}

TEST(HeadersNameContentEncoding, FindsTheHeaderInAnyCaseButNotIdentity) {
    EXPECT_TRUE(HeadersNameContentEncoding(L"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n"));
    EXPECT_TRUE(HeadersNameContentEncoding(L"HTTP/1.0 200 OK\r\ncontent-encoding:deflate\r\n"));
    EXPECT_FALSE(HeadersNameContentEncoding(L"HTTP/1.1 200 OK\r\nContent-Encoding: identity\r\n"));
    EXPECT_FALSE(HeadersNameContentEncoding(L"HTTP/1.1 200 OK\r\nContent-Encoding: \r\n"));
    EXPECT_FALSE(HeadersNameContentEncoding(L"HTTP/1.1 200 OK\r\nX-Content-Encoding: gzip\r\n"));
    EXPECT_FALSE(HeadersNameContentEncoding(L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"));
    EXPECT_FALSE(HeadersNameContentEncoding(L""));
}

TEST(HttpStatusFromHeaders, ReadsTheStatusLineOnly) {
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/1.0 404 Not Found\r\nServer: x\r\n"), 404);
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/1.1 200 OK\r\n"), 200);
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/1.1 500"), 500);
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/2 404\n"), 404);
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/1.1\t404 Not Found"), 404);
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/1.1  404 Not Found"), 404);
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/1.1 100 Continue"), 100);
    EXPECT_EQ(HttpStatusFromHeaders(L"HTTP/1.1 399 x"), 399);
    for (const wchar_t* unreadable :
         {L"", L"Server: x\r\nHTTP/1.1 404 x", L"HTTP/1.1\r\nServer: 404 x", L"HTTP/1.1\r\n404 x",
          L" HTTP/1.1 404", L"http/1.1 404", L"HTTP/ 404", L"HTTP/1. 404", L"HTTP/x 404",
          L"HTTP/1.1404", L"HTTP/1.1 20", L"HTTP/1.1 2000 OK", L"HTTP/1.1 4x4 Odd",
          L"HTTP/1.1 404x", L"HTTP/1.1 000 x", L"HTTP/1.1 099"}) {
        EXPECT_EQ(HttpStatusFromHeaders(unreadable), kHttpStatusUnreadable)
            << testing::PrintToString(std::wstring(unreadable));
    }
    // Headers that end where the status line does: nothing past them is read (a view
    // of a longer text, and exactly sized buffers for the sanitizer to watch).
    EXPECT_EQ(HttpStatusFromHeaders(std::wstring_view(L"HTTP/1.1 404").substr(0, 8)),
              kHttpStatusUnreadable);
    for (std::wstring_view cut : {L"HTTP/", L"HTTP/1", L"HTTP/1.", L"HTTP/1.1 ", L"HTTP/1.1 404"}) {
        const std::vector<wchar_t> exact(cut.begin(), cut.end());
        EXPECT_EQ(HttpStatusFromHeaders(std::wstring_view(exact.data(), exact.size())),
                  cut.size() == 12 ? 404 : kHttpStatusUnreadable);
    }
}

// No record of a status lets the other checks decide; an error or an unreadable one
// may stand for an error page that was saved as the file.
TEST(CachedStatusAcceptsFile, OnlyNoRecordOrAStatusBelow400) {
    EXPECT_TRUE(CachedStatusAcceptsFile(0));
    EXPECT_TRUE(CachedStatusAcceptsFile(200));
    EXPECT_TRUE(CachedStatusAcceptsFile(304));
    EXPECT_TRUE(CachedStatusAcceptsFile(100));
    EXPECT_TRUE(CachedStatusAcceptsFile(399));
    EXPECT_FALSE(CachedStatusAcceptsFile(400));
    EXPECT_FALSE(CachedStatusAcceptsFile(404));
    EXPECT_FALSE(CachedStatusAcceptsFile(500));
    EXPECT_FALSE(CachedStatusAcceptsFile(kHttpStatusUnreadable));
    EXPECT_FALSE(CachedStatusAcceptsFile(HttpStatusFromHeaders(L"HTTP/1.1\r\nServer: 200 x")));
}

TEST(DigestCallsForFreshDownload, ComparesInUpperCase) {
    EXPECT_FALSE(DigestCallsForFreshDownload("9e107d9d372bb6826bd81d3542a419d6",
                                             "9E107D9D372BB6826BD81D3542A419D6"));
    EXPECT_TRUE(DigestCallsForFreshDownload("9e107d9d372bb6826bd81d3542a419d7",
                                            "9E107D9D372BB6826BD81D3542A419D6"));
    // No digest announced yet: every finished download is questioned.
    EXPECT_TRUE(DigestCallsForFreshDownload("9e107d9d372bb6826bd81d3542a419d6", ""));
}

// A missing, empty or unreadable file is never taken for the installer.
TEST(DigestCallsForFreshDownload, NoDigestIsNotAPass) {
    EXPECT_TRUE(DigestCallsForFreshDownload("", "9E107D9D372BB6826BD81D3542A419D6"));
    EXPECT_TRUE(DigestCallsForFreshDownload("", ""));
}
