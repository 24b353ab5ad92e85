#include "net/retry_after.h"

#include <algorithm>
#include <limits>

#include "net/http_date.h"
#include "net/http_headers.h"
#include "net/range_rules.h"

namespace {
std::uint32_t SecondsToMs(std::uint64_t seconds) {
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint32_t>::max();
    return seconds > kMost / 1000 ? static_cast<std::uint32_t>(kMost)
                                  : static_cast<std::uint32_t>(seconds * 1000);
}
} // namespace

std::optional<std::uint32_t> ServiceWaitMs(int status, std::wstring_view retryAfter,
                                           std::wstring_view date, std::int64_t nowSeconds) {
    if (status != 429 && status != 503) {
        return std::nullopt;
    }
    retryAfter = TrimHeaderBlanks(retryAfter);
    if (retryAfter.empty()) {
        return std::nullopt;
    }
    if (std::all_of(retryAfter.begin(), retryAfter.end(),
                    [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        // Delta-seconds; past 64 bits, as long as can be waited.
        return SecondsToMs(
            DecimalNumber(retryAfter).value_or(std::numeric_limits<std::uint64_t>::max()));
    }
    const std::optional<std::int64_t> until = ParseHttpDate(retryAfter);
    if (!until) {
        return std::nullopt;
    }
    const std::int64_t from = ParseHttpDate(date).value_or(nowSeconds);
    if (*until <= from) {
        return std::nullopt;
    }
    return SecondsToMs(static_cast<std::uint64_t>(*until - from));
}
