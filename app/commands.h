#pragma once
#include <windows.h>

// WM_COMMAND from the child controls.
void OnCommand(HWND hwnd, int id, int notification);
