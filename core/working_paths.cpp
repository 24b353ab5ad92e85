#include "core/working_paths.h"

#include <windows.h>
#include <shlobj.h>

#include "core/bounded_path.h"

namespace {
constexpr std::size_t kPathCapacity = MAX_PATH;

std::wstring AppDataFolder() {
    LPITEMIDLIST idList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &idList)) || !idList) {
        return {};
    }
    wchar_t path[kPathCapacity] = {};
    BOOL ok = SHGetPathFromIDListW(idList, path);
    CoTaskMemFree(idList);
    path[kPathCapacity - 1] = L'\0';
    return ok ? std::wstring(path) : std::wstring();
}

std::wstring WorkingPath(const wchar_t* name) {
    std::wstring folder = AppDataFolder();
    if (folder.empty()) {
        return {};
    }
    return JoinWithin(folder, name, kPathCapacity).value_or(std::wstring());
}
} // namespace

std::wstring GetInstallerFilePath() {
    return WorkingPath(L"TidewellInstall.exe");
}

std::wstring GetImageFolderPath() {
    return WorkingPath(L"Image");
}

std::wstring AttemptFilePath(const std::wstring& installerFile, unsigned attempt) {
    if (installerFile.empty()) {
        return {};
    }
    std::wstring path = installerFile + L"." + std::to_wstring(attempt) + L".part";
    return path.size() < kPathCapacity ? path : std::wstring();
}

std::wstring HeldBytesFilePath(const std::wstring& installerFile) {
    if (installerFile.empty()) {
        return {};
    }
    std::wstring path = installerFile + L".held.part";
    return path.size() < kPathCapacity ? path : std::wstring();
}

std::wstring AttemptFilePattern(const std::wstring& installerFile) {
    return installerFile + L".*.part";
}
