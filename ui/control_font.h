#pragma once
#include <windows.h>

// The font every self-drawn text uses: the system's default face for the GB2312
// character set at `pixelHeight` pixels character height, everything else default.
// The caller deletes it.
HFONT CreateControlFont(int pixelHeight);

constexpr int kSmallFontHeight = 12;
constexpr int kBannerTitleFontHeight = 16;
