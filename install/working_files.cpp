#include "install/working_files.h"

#include <windows.h>

#include "core/handles.h"
#include "core/run_time_link.h"
#include "core/working_paths.h"

namespace {
bool IsDotEntry(const wchar_t* name) {
    return lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0;
}

bool Exists(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool AttemptLeftoversExist(const std::wstring& installer) {
    WIN32_FIND_DATAW entry{};
    const ScopedFind search(FindFirstFileW(AttemptFilePattern(installer).c_str(), &entry));
    return search.valid();
}

// Each download attempt writes a file of its own beside the installer before it is
// placed; one cut short by the end of the program would stay behind otherwise.
void DeleteAttemptLeftovers(const std::wstring& installer) {
    const std::size_t slash = installer.rfind(L'\\');
    if (slash == std::wstring::npos) {
        return;
    }
    WIN32_FIND_DATAW entry{};
    ScopedFind search(FindFirstFileW(AttemptFilePattern(installer).c_str(), &entry));
    if (!search.valid()) {
        return;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileW((installer.substr(0, slash + 1) + entry.cFileName).c_str());
        }
    } while (FindNextFileW(search.get(), &entry));
}

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

HANDLE OpenForIdentity(const std::wstring& path, DWORD access, DWORD flags) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

// Where a folder really is, with every link on the way resolved; empty when that
// cannot be told (the function is missing before Windows Vista).
std::wstring ResolvedLocation(const std::wstring& folder) {
    static const auto finalPath = LookUpFunction<FinalPathFunction>(
        GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW");
    if (finalPath == nullptr) {
        return {};
    }
    const ScopedHandle handle(OpenForIdentity(folder, 0, 0));
    if (!handle.valid()) {
        return {};
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = finalPath(handle.get(), path.data(), static_cast<DWORD>(path.size()),
                                       FILE_NAME_NORMALIZED);
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

// An entry is a link when it says so, or when it resolves to somewhere other than
// where it stands: Wine, for one, shows Unix links to files as plain files.
bool IsLink(const std::wstring& path, DWORD attributes, const std::wstring& parentLocation,
            const wchar_t* name) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return true;
    }
    if (parentLocation.empty()) {
        return false; // cannot be told on this system
    }
    const std::wstring actual = ResolvedLocation(path);
    const std::wstring expected = parentLocation + L"\\" + name;
    return actual.empty() || lstrcmpiW(actual.c_str(), expected.c_str()) != 0;
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// Removes a link itself. Only when the system hands out the link as an object of its
// own: where opening "the link itself" still yields what it points to (Wine with Unix
// links), removing would reach the target, so the link is left alone.
void RemoveLinkItself(const std::wstring& path) {
    {
        ScopedHandle link(
            OpenForIdentity(path, FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT));
        if (!link.valid()) {
            return;
        }
        ScopedHandle target(OpenForIdentity(path, FILE_READ_ATTRIBUTES, 0));
        if (target.valid() && SameFile(link.get(), target.get())) {
            return;
        }
    }
    ScopedHandle doomed(
        OpenForIdentity(path, DELETE, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE));
}
// Deletes what a folder holds, links removed as links, then the folder itself.
bool DeleteTreeBelow(const std::wstring& folder) {
    const std::wstring location = ResolvedLocation(folder);
    WIN32_FIND_DATAW entry{};
    ScopedFind search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (search.valid()) {
        do {
            if (IsDotEntry(entry.cFileName)) {
                continue;
            }
            const std::wstring child = folder + L"\\" + entry.cFileName;
            if (IsLink(child, entry.dwFileAttributes, location, entry.cFileName)) {
                RemoveLinkItself(child);
            } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTreeBelow(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search.get(), &entry));
    }
    search.reset();
    return RemoveDirectoryW(folder.c_str()) != FALSE;
}

// Deletes a folder with everything in it; whether the folder itself went.
bool DeleteFolderTree(const std::wstring& folder) {
    const std::size_t separator = folder.find_last_of(L'\\');
    if (folder.empty() || separator == std::wstring::npos || separator + 1 == folder.size()) {
        return false; // "\*" under a root or an empty name would reach far too much
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const std::wstring parentLocation = ResolvedLocation(folder.substr(0, separator));
    if (IsLink(folder, attributes, parentLocation, folder.c_str() + separator + 1)) {
        RemoveLinkItself(folder); // the folder itself is a link: never empty its target
        return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
    }
    return DeleteTreeBelow(folder);
}
} // namespace

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

bool InstallerFilesLeft() {
    const std::wstring installer = GetInstallerFilePath();
    return Exists(installer) || (!installer.empty() && AttemptLeftoversExist(installer));
}
