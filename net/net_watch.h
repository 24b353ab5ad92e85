#pragma once
#include <windows.h>

// Starts the watchdog unless one is already watching: it reports the connection with
// UM_NET_STATE every 5 s while the page is the download or the offline page, and ends
// when the page is neither (or the program is ending). Only one watchdog watches at a
// time.
void StartNetWatchIfIdle(HWND mainWindow);
