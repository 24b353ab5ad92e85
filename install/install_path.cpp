#include "install/install_path.h"

#include <windows.h>

#include <optional>

#include "core/handles.h"
#include "core/registry_text.h"

namespace {
constexpr wchar_t kProductKey[] = L"Software\\Halvesta\\LMD";
constexpr wchar_t kInstallPathValue[] = L"InstallPath";

std::optional<std::wstring> ReadRegisteredFolder() {
    ScopedRegKey key;
    if (RegOpenKeyW(HKEY_CURRENT_USER, kProductKey, key.out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return ReadRegistryText(key.get(), kInstallPathValue, false);
}
} // namespace

bool HasInstallPath() {
    return ReadRegisteredFolder().has_value();
}

std::wstring ReadInstallPath() {
    return ReadRegisteredFolder().value_or(std::wstring());
}
