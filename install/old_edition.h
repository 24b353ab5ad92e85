#pragma once
#include <windows.h>

#include <string>

// The old edition's uninstall entry (32-bit registry view) holds a usable
// "UninstallString".
bool IsOldEditionInstalled();
std::wstring ReadOldUninstallString();

// Ends every running process of that executable name (compared as Windows compares
// file names).
void KillProcessByName(const wchar_t* exeName);

// The old suite's sixteen programs, in the order they are ended.
extern const wchar_t* const OldSuiteProcessNames[16];

// Ends all sixteen programs, in order, on the calling (UI) thread.
void EndOldSuitePrograms();
// How long the entry may outlive the start of the uninstaller before the user is told.
// An uninstaller that finishes at all does so within a minute or two.
constexpr DWORD kOldRemovalGraceMs = 5 * 60 * 1000;

// Runs the old uninstaller hidden with "/verysilent" and starts OldEditionWaitThread,
// which waits for the uninstall entry to vanish, then sends UM_OLD_REMOVED. When the
// entry is still there `graceMs` after the start, it sends UM_OLD_REMOVAL_FAILED once and
// goes on waiting: a slow uninstaller may still get there. Nothing is sent once the
// program is ending.
void StartOldUninstaller(HWND mainWindow, DWORD graceMs = kOldRemovalGraceMs);
