#pragma once
#include <windows.h>

// The wizard's own clock: the pauses between its stages and the slideshow's beat.

// One-shot delay ending in UM_STAGE_TIMER to the main window with the page of that
// moment (wParam) and `timer`, the arming it belongs to (lParam), so that the window can
// tell a timer of a page it has left; nothing is sent if the program is ending meanwhile.
// False when no thread could be made.
bool StartStageTimer(DWORD delayMs, unsigned timer);
unsigned __stdcall StageTimerThread(void* stageTimer);

// Posts UM_SLIDE_TICK at once and then every 3 s until PAGE_DONE or quit.
unsigned __stdcall SlideTickThread(void* mainWindow);
