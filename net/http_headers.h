#pragma once
#include <optional>
#include <string_view>
#include <vector>

// Reading a response's raw header block ("HTTP/1.1 206 ...\r\nName: value\r\n..."), as
// URLMon hands it over. Free of Windows, tested natively.

// `text` without the blanks (spaces, tabs, carriage returns) around it.
std::wstring_view TrimHeaderBlanks(std::wstring_view text);

// The values of every header `name` (compared without regard to ASCII case), in the order
// they come, blanks around each trimmed.
std::vector<std::wstring_view> HeaderValues(std::wstring_view headers, std::wstring_view name);

// The first of them; nothing when the header is missing.
std::optional<std::wstring_view> HeaderValue(std::wstring_view headers, std::wstring_view name);
