#pragma once
#include <windows.h>

#include "ui/dpi_scale.h"

// The DPI the main window's skin is drawn at, and its 96-DPI lengths at that DPI.
// UI thread only: the window sets it when it is made and when it moves to a display of
// another DPI; everything that draws or places a part of the skin reads it.
int SkinDpi();
void SetSkinDpi(int dpi);

// A 96-DPI length, a point's coordinate or a rectangle of the skin at the skin's DPI.
int SkinLength(int length);
RECT SkinRect(const RECT& rect);
