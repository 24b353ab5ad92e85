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
    // The DLLs it imports are then looked for beside it, in the system folder, instead of
    // beside the program.
    return ScopedLibrary(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}
