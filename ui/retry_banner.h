#pragma once
#include <windows.h>

// Procedure of the offline page's banner: framed box, message, animation, retry count.
LRESULT CALLBACK RetryBannerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
