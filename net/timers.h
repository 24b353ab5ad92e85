#pragma once
#include <windows.h>

#include <cstdint>

// One-shot delay ending in UM_STAGE_TIMER to the main window with the page of that
// moment; nothing is sent if the program is ending meanwhile.
void StartStageTimer(DWORD delayMs);
unsigned __stdcall StageTimerThread(void* delayMs);

// Posts UM_SLIDE_TICK at once and then every 3 s until PAGE_DONE or quit.
unsigned __stdcall SlideTickThread(void* mainWindow);

// The local wall clock as a count of 100-nanosecond units, the time base of the stage
// timer and the watchdog.
std::uint64_t ReadWallClock();
