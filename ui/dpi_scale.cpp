#include "ui/dpi_scale.h"

#include <cstdlib>

namespace {
int EffectiveDpi(int dpi) {
    return dpi > 0 ? dpi : kBaseDpi;
}

// numerator / denominator rounded to the nearest integer, halves away from zero, in
// 64 bits so that no length of a screen overflows.
int RoundedQuotient(long long numerator, long long denominator) {
    const long long magnitude = (std::llabs(numerator) * 2 + denominator) / (denominator * 2);
    return static_cast<int>(numerator < 0 ? -magnitude : magnitude);
}
} // namespace

int ScaleLength(int length, int dpi) {
    return RoundedQuotient(static_cast<long long>(length) * EffectiveDpi(dpi), kBaseDpi);
}

SkinBox ScaleBox(const SkinBox& box, int dpi) {
    return SkinBox{ScaleLength(box.left, dpi), ScaleLength(box.top, dpi),
                   ScaleLength(box.right, dpi), ScaleLength(box.bottom, dpi)};
}

bool BoxContains(const SkinBox& box, int x, int y) {
    return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

int DpiOfWidth(int scaledWidth, int baseWidth) {
    if (baseWidth <= 0 || scaledWidth <= 0) {
        return kBaseDpi;
    }
    return RoundedQuotient(static_cast<long long>(scaledWidth) * kBaseDpi, baseWidth);
}

int NearestArtPercent(int dpi) {
    constexpr int kArtPercents[] = {100, 150, 200};
    const int wanted = RoundedQuotient(static_cast<long long>(EffectiveDpi(dpi)) * 100, kBaseDpi);
    int best = kArtPercents[0];
    for (int percent : kArtPercents) {
        if (std::abs(percent - wanted) <= std::abs(best - wanted)) {
            best = percent;
        }
    }
    return best;
}
