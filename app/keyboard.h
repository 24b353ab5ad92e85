#pragma once
#include <windows.h>

// The wizard from the keyboard. The main window keeps the real keyboard focus and moves
// a focus of its own among the page's controls (the skinned controls are static
// windows that take no keys); each key makes the click of a control (keyboard_rules.h).

// WM_KEYDOWN of the main window. True when the key is one of the wizard's.
bool OnWizardKey(HWND mainWindow, WPARAM key, LPARAM flags);

// After every message that may have moved the wizard: a new page puts the focus on its
// first control, and a control that took the real focus (the agreement box, clicked)
// hands it back, so that keys work without a click.
void FollowPageWithKeyboard(HWND mainWindow);

// WM_SETFOCUS of the main window: tells accessibility clients which control has the
// wizard's focus.
void AnnounceKeyboardFocus(HWND mainWindow);

// Draws the focus cue (once Tab has been used) on the main window's surface beside the
// focused control: a dotted frame around a button or the agreement sentence, a dotted
// line under a link.
void PaintFocusCue(HWND mainWindow, HDC dc);

// The control holding the wizard's focus on the current page; 0: none.
int KeyboardFocusId();
