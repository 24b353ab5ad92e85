#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/dll_search.h"

// Where Windows cannot restrict the DLL search (XP, and Vista or 7 without KB2533623) the
// program loads the system DLLs it will need from the system folder before anything loads
// them by name; a later load by name must then be given that very module, so a copy beside
// the program is never looked for.
TEST(PreloadSystemLibraries, LaterLoadsByNameGetTheSystemFoldersModule) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::wstring systemFolder = std::wstring(folder, length) + L"\\";
    PreloadSystemLibraries();
    for (const wchar_t* name : {L"comctl32.dll", L"urlmon.dll", L"wininet.dll", L"wintrust.dll",
                                L"crypt32.dll", L"uxtheme.dll", L"rasapi32.dll", L"schannel.dll"}) {
        const HMODULE preloaded = GetModuleHandleW(name);
        ASSERT_NE(preloaded, nullptr) << name;
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(preloaded, path, MAX_PATH);
        EXPECT_EQ(CompareStringOrdinal(path, static_cast<int>(systemFolder.size()),
                                       systemFolder.c_str(), -1, TRUE),
                  CSTR_EQUAL)
            << name;
        const HMODULE byName = LoadLibraryW(name);
        EXPECT_EQ(byName, preloaded) << name;
        FreeLibrary(byName);
    }
}
