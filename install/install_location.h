#pragma once
#include <windows.h>

// Fills installDir and folderText and tells the folder label; once, at window creation.
void InitInstallFolder();
// Command 104: lets the user pick another parent folder (not when installed before).
void ChooseInstallFolder(HWND mainWindow);

// What the folder dialog's answer does: `pickedFolder` is the chosen folder, or
// nullptr when the dialog was cancelled. A pick whose install folder would be too
// long for the installer is refused and installDir keeps its value. Either way the
// label is then given installDir.
void TakePickedFolder(HWND mainWindow, const wchar_t* pickedFolder);
