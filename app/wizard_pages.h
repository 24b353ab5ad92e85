#pragma once
#include <windows.h>

class VBindCallback;

// Creates the sixteen child windows once, at WM_CREATE, and fills their records.
void CreateChildControls(HWND mainHwnd);

// Shows exactly the controls of `page` and hides the rest; the download page also
// fixes the status-line rectangle. It does not repaint.
void ShowPage(int page);

// Deletes the sixteen ChildControl records and sets every control field to NULL.
// The windows themselves are left to the system.
void FreeControlRecords(VBindCallback& app);
