#pragma once
#include <windows.h>

#include <optional>
#include <string>

// Registry texts are read into 128 bytes (64 UTF-16 units, terminator included); a
// longer value is not read at all rather than cut into a different text.
constexpr DWORD kRegistryTextBytes = 128;

// Reads `value` of an open key. Nothing when it is missing or too long, or, with
// `textTypesOnly`, when it is not REG_SZ or REG_EXPAND_SZ. The text ends at its first
// NUL; one that fills the buffer exactly may lack its terminator and is taken whole.
std::optional<std::wstring> ReadRegistryText(HKEY key, const wchar_t* value, bool textTypesOnly);
