#include "core/run_time_link.h"

#include "core/system_folder_library.h"

ScopedLibrary LoadSystemLibrary(const wchar_t* fileName) {
    return ScopedLibrary(LoadLibraryFromSystemFolder(fileName));
}
