#pragma once
#include <windows.h>

#include "app/wizard_machine.h"

// The window procedure's state, main thread only: the wizard's (its page, `maxPercent`,
// `retryCount` and `offlinePaused` among the rest; see WizardState) and the slideshow's.
extern WizardState wizard;
extern unsigned slideIndex; // next slide for the slideshow tick

// Stores the page and switches the visible controls (no repaint).
void GoToPage(int page);

// Clears all 64 units of the status line and formats a new text into it.
void SetStatusText(const wchar_t* format, int value);
void SetStatusText(const wchar_t* text);
