#pragma once
#include <windows.h>

// State of the wizard window beside the Application object. Main thread only.
extern int maxPercent;      // highest download percentage shown; 1 before the first download
extern unsigned slideIndex; // next slide for the slideshow tick
extern int retryCount;      // retries since the download last moved forward (the banner)
extern int offlinePaused;   // the download is paused: offline, or after a failed attempt
extern bool installStalled; // the installer or the old uninstaller gave up: close may quit

// The pause before the next attempt: failed attempts in a row since the download last
// moved forward, and when the current pause began and how long it lasts.
extern unsigned failedAttempts;
extern DWORD retryPausedAtMs;
extern DWORD retryPauseMs;

// The newest verification started; only its verdict counts.
extern unsigned latestVerification;

// Stores the page and switches the visible controls (no repaint).
void GoToPage(int page);

// Clears all 64 units of the status line and formats a new text into it.
void SetStatusText(const wchar_t* format, int value);
void SetStatusText(const wchar_t* text);
