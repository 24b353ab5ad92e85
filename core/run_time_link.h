#pragma once
#include <windows.h>

#include "core/handles.h"

// Functions found at run time rather than imported: what Windows XP lacks, and the
// DLLs only one step needs.

// `name` of `module` as a function of type `Function`; null when the module or the
// function is missing.
template <typename Function> Function LookUpFunction(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    // Through a plain function pointer type: the cast GetProcAddress needs.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A DLL of the system folder, loaded by its full path: a DLL of the same name beside
// the program (often the Downloads folder) must never stand in for it, nor for a DLL it
// imports. Null when the system folder has no such DLL.
ScopedLibrary LoadSystemLibrary(const wchar_t* fileName);
