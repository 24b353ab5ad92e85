#include "install/working_files.h"

#include <windows.h>
#include <shlobj.h>

#include "app/handles.h"
#include "install/bounded_path.h"

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

bool IsDotEntry(const wchar_t* name) {
    return lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0;
}

// Each download attempt writes "<installer>.<n>.part" before it is placed; one cut
// short by the end of the program would stay behind otherwise.
void DeleteAttemptLeftovers(const std::wstring& installer) {
    const std::size_t slash = installer.rfind(L'\\');
    if (slash == std::wstring::npos) {
        return;
    }
    WIN32_FIND_DATAW entry{};
    ScopedFind search(FindFirstFileW((installer + L".*.part").c_str(), &entry));
    if (!search.valid()) {
        return;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileW((installer.substr(0, slash + 1) + entry.cFileName).c_str());
        }
    } while (FindNextFileW(search.get(), &entry));
}
} // namespace

std::wstring GetInstallerFilePath() { return WorkingPath(L"TidewellInstall.exe"); }

std::wstring GetImageFolderPath() { return WorkingPath(L"Image"); }

bool DeleteFolderTree(const std::wstring& folder) {
    if (folder.empty()) {
        return false; // "\*" would name the root of the current drive
    }
    WIN32_FIND_DATAW entry{};
    ScopedFind search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (search.valid()) {
        do {
            if (IsDotEntry(entry.cFileName)) {
                continue;
            }
            const std::wstring child = folder + L"\\" + entry.cFileName;
            const DWORD attributes = entry.dwFileAttributes;
            const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A junction or symbolic link: remove the link, never what it names.
                isFolder ? RemoveDirectoryW(child.c_str()) : DeleteFileW(child.c_str());
            } else if (isFolder) {
                DeleteFolderTree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search.get(), &entry));
    }
    search.reset();
    return RemoveDirectoryW(folder.c_str()) != FALSE;
}

void CleanWorkingFiles() {
    const std::wstring imageFolder = GetImageFolderPath();
    if (!imageFolder.empty()) {
        DeleteFolderTree(imageFolder);
    }
    const std::wstring installer = GetInstallerFilePath();
    if (!installer.empty()) {
        DeleteFileW(installer.c_str());
        DeleteAttemptLeftovers(installer);
    }
}
