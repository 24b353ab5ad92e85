#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// How long a busy service asks its clients to wait: the Retry-After of a 429 or 503
// answer, in delta-seconds ("120") or as an HTTP date. A date is measured from the
// answer's own Date where it has one (so a client's wrong clock changes nothing), else
// from `nowSeconds` (seconds since 1970, the client's clock). Saturates at the largest
// 32-bit count of milliseconds. Nothing for other statuses, a missing or unreadable
// value, or a date already past. Free of Windows, tested natively.
std::optional<std::uint32_t> ServiceWaitMs(int status, std::wstring_view retryAfter,
                                           std::wstring_view date, std::int64_t nowSeconds);
