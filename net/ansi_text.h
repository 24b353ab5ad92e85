#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Narrow text in the ANSI code page as UTF-16, or nothing when it would need more
// than `maxUnits` units (terminator not counted): never a cut text.
std::optional<std::wstring> AnsiToWide(std::string_view ansi, std::size_t maxUnits);

// Narrow text in the ANSI code page to UTF-8; the result ends at its first NUL.
std::string AnsiToUtf8(const std::string& ansi);
