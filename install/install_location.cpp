#include "install/install_location.h"

#include "app/handles.h"

namespace {
constexpr wchar_t kProductKey[] = L"Software\\Halvesta\\LMD";
constexpr wchar_t kInstallPathValue[] = L"InstallPath";
constexpr DWORD kRegistryTextBytes = 128; // 64 UTF-16 units, terminator included

// Reads "InstallPath" into a zero-filled 128-byte buffer; false when the key or the
// value is missing or the value does not fit.
bool ReadRegisteredFolder(wchar_t (&text)[kRegistryTextBytes / sizeof(wchar_t)]) {
    ScopedRegKey key;
    if (RegOpenKeyW(HKEY_CURRENT_USER, kProductKey, key.out()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = kRegistryTextBytes;
    return RegQueryValueExW(key.get(), kInstallPathValue, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
}
} // namespace

bool HasInstallPath() {
    wchar_t text[kRegistryTextBytes / sizeof(wchar_t)] = {};
    return ReadRegisteredFolder(text);
}

std::wstring ReadInstallPath() {
    wchar_t text[kRegistryTextBytes / sizeof(wchar_t)] = {};
    ReadRegisteredFolder(text);
    // The value may lack its terminator when it fills the buffer exactly.
    return std::wstring(text, wcsnlen(text, kRegistryTextBytes / sizeof(wchar_t)));
}
