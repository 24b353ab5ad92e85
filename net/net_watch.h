#pragma once
#include <windows.h>

// Reports the connection with UM_NET_STATE every 5 s while the page is the download
// or the offline page. Only one watchdog watches at a time: one started while another
// watches ends at once.
unsigned __stdcall NetWatchThread(void* mainWindow);

// Starts NetWatchThread unless one is already watching.
void StartNetWatchIfIdle(HWND mainWindow);

// A watchdog is watching.
bool NetWatchIsWatching();
