#pragma once

// Where Windows looks for a DLL named without a path. Tidewell.exe is typically started
// from a Downloads folder, where a web page can leave files unasked; Windows would look
// there first for any DLL that is not a KnownDLL, so a planted gdiplus.dll or version.dll
// would run inside the program. The exe therefore imports at start-up only from KnownDLLs
// (CMakeLists.txt); every other system DLL it uses is delay-loaded or looked up at run
// time, by its full path in the system folder (core/system_folder_library.h). What is
// left to this: the DLLs that the system's DLLs load by name on the program's behalf.

// Restricts the search to the system folder: SetDefaultDllDirectories where Windows has it
// (8 and later, or Vista and 7 with update KB2533623); elsewhere the current folder is
// dropped (SetDllDirectoryW, XP SP1 and later) and every system DLL that the program or
// the system's DLLs load by name later on is loaded now from the system folder, so that a
// later load by name finds it already loaded. Call it first, before anything loads a DLL.
void RestrictDllSearch();

// What RestrictDllSearch does where it cannot restrict the search: loads from the system
// folder each system DLL that is not a KnownDLL everywhere and that the program, or the
// system's DLLs on its behalf, load by name later on. They stay loaded.
void PreloadSystemLibraries();
