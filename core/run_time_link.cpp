#include "core/run_time_link.h"

#include <string>

ScopedLibrary LoadSystemLibrary(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return ScopedLibrary();
    }
    std::wstring path(folder, length);
    path += L'\\';
    path += fileName;
    return ScopedLibrary(LoadLibraryW(path.c_str()));
}
