#pragma once
#include <windows.h>

// Creates the sixteen child windows once, at WM_CREATE, and fills their records.
void CreateChildControls(HWND mainHwnd);

// Shows exactly the controls of `page` and hides the rest; the download page also
// fixes the status-line rectangle. It does not repaint.
void ShowPage(int page);
