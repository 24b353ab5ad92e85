#pragma once
#include <windows.h>

// The taskbar button following the wizard: its progress after every message that may
// have moved the wizard, and a flash when the wizard needs the user while the window is
// behind others (the finish page reached, a question shown).

void FollowWizardOnTaskbar(HWND mainWindow);

// MessageBoxW for a question the wizard asks; the button flashes when the question comes
// up while the window is behind others, until it is answered.
int AskUser(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
