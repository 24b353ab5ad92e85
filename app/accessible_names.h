#pragma once
#include <windows.h>

// Gives every control a user acts on the name, and the role, that a screen reader or a
// voice control needs (the skin shows pictures and painted words that no client can
// read), and lets the progress bar tell the status line as its value. Nothing is
// painted differently: the controls answer WM_GETOBJECT, their window texts stay.
// Called once, after the main window's controls exist.
void NameControls(HWND mainWindow);

// The agreement sentence as the page paints it around the box and the link.
const wchar_t* ConsentSentence();
