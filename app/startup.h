#pragma once
#include <windows.h>

extern wchar_t windowTitle[100];     // string 103: the name given at creation
extern wchar_t windowClassName[100]; // string 109: the registered class

// Running processes whose executable is "Tidewell.exe" (any case); 0 when the
// process list cannot be read. The caller counts itself.
int CountUpdaterProcesses();
void RegisterMainWindowClass(HINSTANCE instance);
// 1 when the main window exists (its handle is then in GetApp()->mainWindow), else 0.
int CreateMainWindow(HINSTANCE instance, int showCommand);
// Returns the wParam of the WM_QUIT that ended the loop.
int RunMessageLoop();
// The whole start-up: the process exit code.
int RunTidewell(HINSTANCE instance, int showCommand);
