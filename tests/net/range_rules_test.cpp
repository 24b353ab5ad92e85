#include <gtest/gtest.h>

#include "net/http_date.h"
#include "net/http_headers.h"
#include "net/range_rules.h"
#include "net/retry_after.h"

namespace {
const Validator kEtag{L"\"1a2b\"", true};

RangeAnswer Partial(std::uint64_t first, std::uint64_t last, std::uint64_t total,
                    std::optional<Validator> validator = kEtag) {
    return {206, ContentRange{true, first, last, total}, std::move(validator), false};
}

RangeAnswer Status(int status, std::optional<ContentRange> range = std::nullopt) {
    return {status, range, std::nullopt, false};
}
} // namespace

TEST(RangeRules, ResumesOnlyWithAStrongValidatorAndReadsTheHeadersItNeeds) {
    constexpr const wchar_t* kModified = L"Tue, 01 Dec 2026 10:00:00 GMT";
    constexpr const wchar_t* kServedLater = L"Tue, 01 Dec 2026 10:00:01 GMT";
    EXPECT_EQ(StrongValidator(L" \"x\" ", kModified, kServedLater), (Validator{L"\"x\"", true}));
    // A weak ETag is no validator, and with an ETag there Last-Modified may not stand in.
    EXPECT_FALSE(StrongValidator(L"W/\"x\"", kModified, kServedLater));
    // Last-Modified alone only when the answer's Date is a second or more later.
    EXPECT_EQ(StrongValidator(L"", kModified, kServedLater), (Validator{kModified, false}));
    EXPECT_FALSE(StrongValidator(L"", kModified, kModified));
    EXPECT_FALSE(StrongValidator(L"", kModified, L""));
    EXPECT_FALSE(StrongValidator(L"", kModified, L"yesterday"));
    EXPECT_FALSE(StrongValidator(L"", L" ", kServedLater));
    // The If-Range value is the header's, without its blanks.
    EXPECT_EQ(StrongValidator(L" ", L"\t" + std::wstring(kModified) + L" ", kServedLater),
              (Validator{kModified, false}));

    constexpr std::wstring_view kHeaders =
        L"HTTP/1.1 206 Partial Content\r\ncontent-RANGE:  bytes 0-9/30 \r\nETag: \"e\"\r\n\r\n";
    EXPECT_EQ(HeaderValue(kHeaders, L"content-range"), L"bytes 0-9/30");
    EXPECT_EQ(HeaderValue(kHeaders, L"etag"), L"\"e\"");
    EXPECT_FALSE(HeaderValue(kHeaders, L"last-modified"));
}

TEST(RangeRules, ContentRangeIsReadStrictly) {
    const auto range = ParseContentRange(L"bytes 1048576-2097151/3000000");
    ASSERT_TRUE(range);
    EXPECT_TRUE(range->satisfiable);
    EXPECT_EQ(range->first, 1048576u);
    EXPECT_EQ(range->last, 2097151u);
    EXPECT_EQ(range->total, 3000000u);
    const auto unsatisfied = ParseContentRange(L"bytes */3000000");
    ASSERT_TRUE(unsatisfied);
    EXPECT_FALSE(unsatisfied->satisfiable);
    EXPECT_EQ(unsatisfied->total, 3000000u);
    // One byte; blanks around; the largest total there is.
    EXPECT_EQ(ParseContentRange(L" bytes 5-5/6\t")->last, 5u);
    EXPECT_EQ(ParseContentRange(L"bytes 0-0/18446744073709551615")->total, ~0ull);
    for (const wchar_t* broken :
         {L"", L"bytes", L"bytes 0-9", L"bytes 0-9/*", L"bytes 9-0/30", L"bytes 0-30/30",
          L"bytes 0-9/30x", L"items 0-9/30", L"bytes -9/30", L"bytes 0-9/99999999999999999999",
          L"bytes 0-0/18446744073709551616", L"bytes 5/10", L"bytes 5-/10", L"bytes /10"}) {
        EXPECT_FALSE(ParseContentRange(broken)) << broken;
    }
}

TEST(RangeRules, OnlyTheRightAnswerIsSplicedOntoTheBytesHeld) {
    const HeldBytes nothing{};
    const HeldBytes some{1048576, 3000000, kEtag};
    // The first range names the file; the next ones must be of the same one.
    EXPECT_EQ(JudgeRangeAnswer(nothing, Partial(0, 1048575, 3000000)), RangeVerdict::Append);
    EXPECT_EQ(JudgeRangeAnswer(some, Partial(1048576, 2097151, 3000000)), RangeVerdict::Append);
    // A whole new file, whatever was held. A 416 says the file is not what was held,
    // even when its total is exactly the bytes held: from the start again.
    EXPECT_EQ(JudgeRangeAnswer(some, Status(200)), RangeVerdict::WholeFile);
    EXPECT_EQ(JudgeRangeAnswer(nothing, Status(200)), RangeVerdict::WholeFile);
    EXPECT_EQ(JudgeRangeAnswer(some, Status(416, ContentRange{false, 0, 0, 1048576})),
              RangeVerdict::StartAgain);
    EXPECT_EQ(JudgeRangeAnswer(some, Status(416, ContentRange{false, 0, 0, 3000000})),
              RangeVerdict::StartAgain);
    // Not spliced: the wrong start, another total, another version (a server that
    // ignored If-Range), no validator, decoded bytes, no Content-Range.
    EXPECT_EQ(JudgeRangeAnswer(some, Partial(0, 1048575, 3000000)), RangeVerdict::StartAgain);
    EXPECT_EQ(JudgeRangeAnswer(some, Partial(1048576, 2097151, 4000000)), RangeVerdict::StartAgain);
    EXPECT_EQ(JudgeRangeAnswer(some, Partial(1048576, 2097151, 3000000, Validator{L"\"9\"", true})),
              RangeVerdict::StartAgain);
    EXPECT_EQ(JudgeRangeAnswer(nothing, Partial(0, 1048575, 3000000, std::nullopt)),
              RangeVerdict::StartAgain);
    RangeAnswer encoded = Partial(1048576, 2097151, 3000000);
    encoded.contentEncoded = true;
    EXPECT_EQ(JudgeRangeAnswer(some, encoded), RangeVerdict::StartAgain);
    EXPECT_EQ(JudgeRangeAnswer(some, Status(206)), RangeVerdict::StartAgain);
    // An error page is a failed attempt; the bytes held stay for the next one.
    EXPECT_EQ(JudgeRangeAnswer(some, Status(404)), RangeVerdict::Failed);
    EXPECT_EQ(JudgeRangeAnswer(some, Status(503)), RangeVerdict::Failed);
    EXPECT_EQ(JudgeRangeAnswer(some, Status(400)), RangeVerdict::Failed);
    EXPECT_EQ(JudgeRangeAnswer(some, Status(304)), RangeVerdict::StartAgain);
}

TEST(RangeRules, TheWholeFileUntilACutThenRangesThatGrowAndShrink) {
    EXPECT_EQ(NextRangeBytes(kWholeRest, true), kWholeRest);
    EXPECT_EQ(NextRangeBytes(kWholeRest, false), kFirstRangeBytes);
    EXPECT_EQ(NextRangeBytes(kFirstRangeBytes, true), 2 * kFirstRangeBytes);
    EXPECT_EQ(NextRangeBytes(kLongestRangeBytes, true), kLongestRangeBytes);
    EXPECT_EQ(NextRangeBytes(kFirstRangeBytes, false), kFirstRangeBytes / 2);
    EXPECT_EQ(NextRangeBytes(kShortestRangeBytes, false), kShortestRangeBytes);

    // Nothing held, no bound: the plain request of a download without ranges.
    EXPECT_EQ(NextRequestHeaders({}, kWholeRest), L"");
    EXPECT_EQ(NextRequestHeaders({}, kFirstRangeBytes), L"Range: bytes=0-1048575\r\n");
    const HeldBytes held{1048576, 3000000, kEtag};
    EXPECT_EQ(NextRequestHeaders(held, kWholeRest),
              L"Range: bytes=1048576-\r\nIf-Range: \"1a2b\"\r\n");
    // Never past the end of the file, nor past 2^64.
    EXPECT_EQ(NextRequestHeaders(held, kLongestRangeBytes),
              L"Range: bytes=1048576-2999999\r\nIf-Range: \"1a2b\"\r\n");
    EXPECT_EQ(NextRequestHeaders({~0ull - 9, 0, std::nullopt}, kLongestRangeBytes),
              L"Range: bytes=18446744073709551606-18446744073709551614\r\n");
}

TEST(RangeRules, ProgressCountsTheBytesHeldBeforeTheRange) {
    // A bounded range's own maximum is not the file's.
    const OverallProgress resumed = ProgressWithOffset(2000000, 3000000, 500000, 800000);
    EXPECT_EQ(resumed.done, 2500000u);
    EXPECT_EQ(resumed.total, 3000000u);
    // Before the first answer names the total, the range's own maximum stands in for it.
    const OverallProgress first = ProgressWithOffset(0, 0, 100, 1048576);
    EXPECT_EQ(first.total, 1048576u);
    EXPECT_EQ(ProgressWithOffset(0, 0, 0, 0).total, 0u) << "no total: no percentage";
    // Past 4 GiB the two are scaled together; the percentage stays.
    const OverallProgress big = ProgressWithOffset(6000000000ull, 8000000000ull, 0, 0);
    EXPECT_EQ(static_cast<std::uint64_t>(big.done) * 100 / big.total, 75u);
    const OverallProgress half = ProgressWithOffset(0, 5000000000ull, 2500000000u, 0);
    EXPECT_EQ(half.done, 1250000000u);
    EXPECT_EQ(half.total, 2500000000u);
    // What just fits is left as it is.
    const OverallProgress fits = ProgressWithOffset(0xFFFFFFFAu, 0xFFFFFFFFu, 5, 10);
    EXPECT_EQ(fits.done, 0xFFFFFFFFu);
    EXPECT_EQ(fits.total, 0xFFFFFFFFu);
}

TEST(HttpDate, ReadsTheThreeFormsAndNothingElse) {
    constexpr std::int64_t k1994 = 784111777; // Sun, 06 Nov 1994 08:49:37 GMT
    EXPECT_EQ(ParseHttpDate(L"Sun, 06 Nov 1994 08:49:37 GMT"), k1994);
    EXPECT_EQ(ParseHttpDate(L" sun, 06 NOV 1994 08:49:37 GMT "), k1994);
    EXPECT_EQ(ParseHttpDate(L"Sunday, 06-Nov-94 08:49:37 GMT"), k1994);
    EXPECT_EQ(ParseHttpDate(L"Sun Nov  6 08:49:37 1994"), k1994);
    EXPECT_EQ(ParseHttpDate(L"Thu, 01 Jan 1970 00:00:00 GMT"), 0);
    EXPECT_EQ(ParseHttpDate(L"Tue, 29 Feb 2028 23:59:59 GMT"), 1835481599);
    EXPECT_EQ(ParseHttpDate(L"Wednesday, 09-Dec-26 13:36:13 GMT"), 1796823373);
    for (const wchar_t* broken :
         {L"", L"Sun, 06 Nov 1994 08:49:37", L"Sun, 06 Nov 1994 08:49:37 UTC",
          L"Sun, 31 Nov 1994 08:49:37 GMT", L"Sun, 29 Feb 2100 08:49:37 GMT",
          L"Sun, 06 Nov 1994 24:00:00 GMT", L"Sun, 6 Nov 1994 08:49:37 GMT",
          L"Sun, 06 Nov 1994 08:49:37 GMT x", L"Xyz, 06 Nov 1994 08:49:37 GMT", L"120"}) {
        EXPECT_FALSE(ParseHttpDate(broken)) << broken;
    }
}

TEST(ServiceWait, ReadsRetryAfterOfABusyServiceOnly) {
    constexpr const wchar_t* kServed = L"Wed, 09 Dec 2026 13:36:13 GMT";
    constexpr std::int64_t kServedSeconds = 1796823373;
    EXPECT_EQ(ServiceWaitMs(503, L" 20 ", L"", 0), 20000u);
    EXPECT_EQ(ServiceWaitMs(429, L"0", L"", 0), 0u);
    EXPECT_FALSE(ServiceWaitMs(500, L"20", L"", 0));
    EXPECT_FALSE(ServiceWaitMs(200, L"20", L"", 0));
    EXPECT_FALSE(ServiceWaitMs(503, L"", L"", 0));
    EXPECT_FALSE(ServiceWaitMs(503, L"-5", L"", 0));
    EXPECT_FALSE(ServiceWaitMs(503, L"soon", L"", 0));
    EXPECT_EQ(ServiceWaitMs(503, L"99999999999999999999999", L"", 0), 0xFFFFFFFFu);
    EXPECT_EQ(ServiceWaitMs(503, L"4294968", L"", 0), 0xFFFFFFFFu);
    // A date counts from the answer's own Date, whatever the client's clock says...
    EXPECT_EQ(ServiceWaitMs(503, L"Wed, 09 Dec 2026 13:37:13 GMT", kServed, 0), 60000u);
    // ...and from the client's clock when the answer has none.
    EXPECT_EQ(ServiceWaitMs(503, L"Wed, 09 Dec 2026 13:37:13 GMT", L"", kServedSeconds + 30),
              30000u);
    EXPECT_FALSE(ServiceWaitMs(503, L"Wed, 09 Dec 2026 13:36:13 GMT", kServed, 0));
}
