#pragma once
#include <windows.h>

// Procedures of the four small text controls (subclassed STATIC controls).
LRESULT CALLBACK ChangeFolderLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AgreementLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CancelLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FolderLabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
