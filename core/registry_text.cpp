#include "core/registry_text.h"

std::optional<std::wstring> ReadRegistryText(HKEY key, const wchar_t* value, bool textTypesOnly) {
    constexpr std::size_t kUnits = kRegistryTextBytes / sizeof(wchar_t);
    wchar_t text[kUnits] = {};
    DWORD type = REG_NONE;
    DWORD size = kRegistryTextBytes;
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (textTypesOnly && type != REG_SZ && type != REG_EXPAND_SZ) {
        return std::nullopt;
    }
    return std::wstring(text, wcsnlen(text, kUnits));
}
