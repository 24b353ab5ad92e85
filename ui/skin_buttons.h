#pragma once
#include <windows.h>

// Procedures of the six self-drawn bitmap buttons (subclassed STATIC controls).
LRESULT CALLBACK InstallButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CloseButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MinimizeButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FinishButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TencentShareButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SinaShareButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// 1 while the install button is enabled; written only by UM_SKIN_STATE to it.
extern int installEnabled;
