#pragma once

// The skin is laid out for 96 dots per inch; on any other display every length is
// multiplied by dpi / 96. Plain arithmetic, with no Windows type, so that it can be
// checked natively.

constexpr int kBaseDpi = 96;

// `length` at 96 DPI as `dpi` shows it, rounded to the nearest pixel, halves away
// from zero (as MulDiv rounds). A DPI of zero or less counts as 96.
int ScaleLength(int length, int dpi);

// A rectangle of the skin, edges as Windows gives them: left and top inside, right and
// bottom just outside.
struct SkinBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const SkinBox&) const = default;
};

// The edges are scaled, not the origin and the size: neighbouring rectangles that touch
// at 96 DPI still touch, and a point inside one at 96 DPI stays inside it, scaled.
SkinBox ScaleBox(const SkinBox& box, int dpi);

// Whether a point of the window falls in `box` (left and top inside, right and bottom
// outside), as a click is tested against a control.
bool BoxContains(const SkinBox& box, int x, int y);

// The DPI a window of the skin's size `scaledWidth` pixels wide is drawn at, for
// whoever sees only the window: the DPI whose scaled 96-DPI width comes nearest.
int DpiOfWidth(int scaledWidth, int baseWidth);

// The pictures the build draws come at 100 %, 150 % and 200 %. The one to scale from
// for `dpi`, in per cent: the nearest, the larger one on a tie (scaling down keeps
// detail that scaling up cannot make).
int NearestArtPercent(int dpi);
