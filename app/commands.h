#pragma once
#include <windows.h>

// WM_COMMAND from the child controls.
void OnCommand(HWND hwnd, int id, int notification);

// The cancel question: OK ends the program, anything else downloads again from the start.
void ConfirmCancel();
