#include "net/range_rules.h"

#include <algorithm>
#include <limits>

#include "net/ascii_case.h"
#include "net/http_date.h"
#include "net/http_headers.h"

std::optional<std::uint64_t> DecimalNumber(std::wstring_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        const std::uint64_t digit = static_cast<std::uint64_t>(c - L'0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

std::optional<Validator> StrongValidator(std::wstring_view etag, std::wstring_view lastModified,
                                         std::wstring_view date) {
    etag = TrimHeaderBlanks(etag);
    if (!etag.empty()) {
        if (etag.substr(0, 2) == L"W/") {
            return std::nullopt;
        }
        return Validator{std::wstring(etag), true};
    }
    lastModified = TrimHeaderBlanks(lastModified);
    const std::optional<std::int64_t> modified = ParseHttpDate(lastModified);
    const std::optional<std::int64_t> served = ParseHttpDate(date);
    if (!modified || !served || *served - *modified < 1) {
        return std::nullopt;
    }
    return Validator{std::wstring(lastModified), false};
}

std::optional<ContentRange> ParseContentRange(std::wstring_view value) {
    value = TrimHeaderBlanks(value);
    constexpr std::wstring_view kUnit = L"bytes ";
    if (!EqualsIgnoringAsciiCase(value.substr(0, kUnit.size()), kUnit)) {
        return std::nullopt;
    }
    value.remove_prefix(kUnit.size());
    const std::size_t slash = value.find(L'/');
    if (slash == std::wstring_view::npos) { // defence in depth: npos + 1 reads from 0
        return std::nullopt;
    }
    const std::optional<std::uint64_t> total = DecimalNumber(value.substr(slash + 1));
    if (!total) {
        return std::nullopt;
    }
    const std::wstring_view span = value.substr(0, slash);
    if (span == L"*") {
        return ContentRange{false, 0, 0, *total};
    }
    const std::size_t dash = span.find(L'-');
    if (dash == std::wstring_view::npos) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> first = DecimalNumber(span.substr(0, dash));
    const std::optional<std::uint64_t> last = DecimalNumber(span.substr(dash + 1));
    if (!first || !last || *last < *first || *last >= *total) {
        return std::nullopt;
    }
    return ContentRange{true, *first, *last, *total};
}

std::wstring NextRequestHeaders(const HeldBytes& held, std::uint64_t asked) {
    if (held.count == 0 && asked == kWholeRest) {
        return {};
    }
    std::wstring headers = L"Range: bytes=" + std::to_wstring(held.count) + L"-";
    if (asked != kWholeRest) {
        // Bounded so the sum cannot pass 2^64.
        std::uint64_t last = held.count + std::min(asked, ~held.count) - 1;
        if (held.total != 0) { // kept for the reader: 0 - 1 would wrap and bound nothing
            last = std::min(last, held.total - 1);
        }
        headers += std::to_wstring(last);
    }
    headers += L"\r\n";
    if (held.validator) {
        headers += L"If-Range: " + held.validator->value + L"\r\n";
    }
    return headers;
}

RangeVerdict JudgeRangeAnswer(const HeldBytes& held, const RangeAnswer& answer) {
    switch (answer.status) {
    case 200:
        return RangeVerdict::WholeFile;
    case 206: {
        if (!answer.range || !answer.range->satisfiable || answer.contentEncoded) {
            return RangeVerdict::StartAgain; // nothing to splice the bytes by
        }
        const ContentRange& range = *answer.range;
        if (range.first != held.count || (held.total != 0 && range.total != held.total)) {
            return RangeVerdict::StartAgain;
        }
        // The bytes held and these must be of one version; without a validator there is
        // no telling, so a first answer without one is not resumed from.
        if (!answer.validator || (held.count != 0 && answer.validator != held.validator)) {
            return RangeVerdict::StartAgain;
        }
        return RangeVerdict::Append;
    }
    case 416:
        return RangeVerdict::StartAgain;
    default:
        return answer.status >= 400 ? RangeVerdict::Failed : RangeVerdict::StartAgain;
    }
}

std::uint64_t NextRangeBytes(std::uint64_t previous, bool cameWhole) {
    if (previous == kWholeRest) {
        return cameWhole ? kWholeRest : kFirstRangeBytes;
    }
    const std::uint64_t next = cameWhole ? previous * 2 : previous / 2;
    return std::clamp(next, kShortestRangeBytes, kLongestRangeBytes);
}

OverallProgress ProgressWithOffset(std::uint64_t offset, std::uint64_t wholeTotal,
                                   std::uint32_t progress, std::uint32_t progressMax) {
    std::uint64_t total = wholeTotal;
    if (total == 0 && progressMax != 0) {
        total = offset + progressMax;
    }
    std::uint64_t done = offset + progress;
    // Past 4 GiB both are halved until they fit: the percentage stays what it is.
    while (total > std::numeric_limits<std::uint32_t>::max() ||
           done > std::numeric_limits<std::uint32_t>::max()) {
        total >>= 1;
        done >>= 1;
    }
    return {static_cast<std::uint32_t>(done), static_cast<std::uint32_t>(total)};
}
