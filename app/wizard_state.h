#pragma once
#include <windows.h>

// State of the wizard window beside the Application object. Main thread only.
extern int maxPercent;      // highest download percentage shown; 1 before the first download
extern unsigned slideIndex; // next slide for the slideshow tick
extern int retryCount;      // offline reports in the current pause
extern int offlinePaused;   // the download was paused because the machine went offline
extern bool installStalled; // the installer or the old uninstaller gave up: close may quit

// Stores the page and switches the visible controls (no repaint).
void GoToPage(int page);

// Clears all 64 units of the status line and formats a new text into it.
void SetStatusText(const wchar_t* format, int value);
void SetStatusText(const wchar_t* text);
