#pragma once
#include <windows.h>

// The window procedure of the one main window: builds the window, paints it, turns
// clicks into actions and drives the whole upgrade from the workers' messages.
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The quit sequence shared by every way out: set quitRequested, optionally delete the
// working files, free the control records, shut GDI+ down, post WM_QUIT.
void QuitWizard(bool cleanUp);
