#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// HTTP dates (Date, Last-Modified, Retry-After) as seconds since 1970-01-01 00:00:00 UTC.
// A recipient reads all three forms servers have used: "Sun, 06 Nov 1994 08:49:37 GMT",
// the obsolete "Sunday, 06-Nov-94 08:49:37 GMT" and asctime's "Sun Nov  6 08:49:37 1994".
// Nothing for anything else. Free of Windows, tested natively.
std::optional<std::int64_t> ParseHttpDate(std::wstring_view text);
