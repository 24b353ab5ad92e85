#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The size of the file at `path`, read from its directory entry without opening it (a
// scanner holding the file does not matter); nothing when there is no such file or the
// path is empty.
std::optional<std::uint64_t> FileSizeOf(const std::wstring& path);
