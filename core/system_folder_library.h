#pragma once
#include <windows.h>

// <system folder>\<fileName>, loaded by that full path, so a DLL of the same name beside
// the program (often the Downloads folder) never stands in for it; the DLLs it imports
// are then looked for beside it, in the system folder, before the program's folder. It
// uses nothing but kernel32 and the stack: the delay-load helper calls it. Null when the
// system folder has no such DLL, GetLastError telling why.
HMODULE LoadLibraryFromSystemFolder(const wchar_t* fileName);
