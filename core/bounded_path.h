#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// folder + "\" + name, or nothing when the result and its terminator would not fit
// into `capacity` UTF-16 units: a path is never cut into a different one.
std::optional<std::wstring> JoinWithin(std::wstring_view folder, std::wstring_view name,
                                       std::size_t capacity);
