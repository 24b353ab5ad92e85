#pragma once
#include <windows.h>

// Procedure of the offline page's banner: framed box, message, animation, retry count.
LRESULT CALLBACK RetryBannerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class VImageEx;

// The banner's state; UI thread only.
extern HWND pictureHost;      // child the animation plays on; made at the first WM_SHOWWINDOW
extern VImageEx* bannerImage; // made at the first paint, deleted with the banner
extern int bannerRetryCount;  // what the count line shows

// The banner's drawing step (background, frame, message and count line) on any
// device context; the animation is drawn by its own thread, not here.
void PaintRetryBanner(HDC dc, const RECT& client, int retryCount);

// Stops the animation and deletes the image ahead of the banner's own destruction,
// for a quit path that shuts GDI+ down while the banner still exists.
void ReleaseRetryBannerImage();
