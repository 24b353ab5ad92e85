#pragma once
#include <windows.h>

class VBindCallback;

// Creates the sixteen child windows once, at WM_CREATE, and fills their records. They
// are placed at the skin's DPI.
void CreateChildControls(HWND mainHwnd);

// Places every control, and the status line once it is fixed, at the skin's DPI again:
// after the window moved to a display of another DPI.
void LayOutChildControls();

// Shows exactly the controls of `page` and hides the rest; the download page also
// fixes the status-line rectangle (at the skin's DPI). It does not repaint.
void ShowPage(int page);

// Deletes the sixteen ChildControl records and sets every control field to NULL.
// The windows themselves are left to the system.
void FreeControlRecords(VBindCallback& app);
