#pragma once
#include <windows.h>

// The window procedure of the one main window: builds the window, paints it, turns
// clicks into actions and drives the whole upgrade from the workers' messages.
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
