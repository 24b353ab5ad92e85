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
// Runs the old uninstaller hidden with "/verysilent" and starts OldEditionWaitThread.
void StartOldUninstaller(HWND mainWindow);
// Waits for the uninstall entry to vanish, then sends UM_OLD_REMOVED. When it is still
// there long after the uninstaller started, sends UM_OLD_REMOVAL_FAILED once and goes
// on waiting: a slow uninstaller may still get there.
unsigned __stdcall OldEditionWaitThread(void* mainWindow);

// How long the entry may outlive the start of the uninstaller before the user is told.
// An uninstaller that finishes at all does so within a minute or two.
constexpr DWORD kOldRemovalGraceMs = 5 * 60 * 1000;

// The wait of OldEditionWaitThread with a chosen grace (the thread uses the one
// above). Returns when it has sent UM_OLD_REMOVED, or at once on a quit request.
unsigned WaitForOldEditionRemoval(HWND mainWindow, DWORD graceMs);
