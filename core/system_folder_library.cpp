#include "core/system_folder_library.h"

HMODULE LoadLibraryFromSystemFolder(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryW(path, MAX_PATH);
    const int nameLength = lstrlenW(fileName);
    if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    path[folderLength] = L'\\';
    lstrcpyW(path + folderLength + 1, fileName);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
