#pragma once
#include <windows.h>

// The wizard's own clock: the pauses between its stages and the slideshow's beat.

// One-shot delay ending in UM_STAGE_TIMER to the main window with the page of that
// moment; nothing is sent if the program is ending meanwhile.
void StartStageTimer(DWORD delayMs);
unsigned __stdcall StageTimerThread(void* delayMs);

// Posts UM_SLIDE_TICK at once and then every 3 s until PAGE_DONE or quit.
unsigned __stdcall SlideTickThread(void* mainWindow);
