#include "ui/skin_scale.h"

namespace {
int skinDpi = kBaseDpi;
} // namespace

int SkinDpi() {
    return skinDpi;
}

void SetSkinDpi(int dpi) {
    skinDpi = dpi > 0 ? dpi : kBaseDpi;
}

int SkinLength(int length) {
    return ScaleLength(length, skinDpi);
}

RECT SkinRect(const RECT& rect) {
    const SkinBox box = ScaleBox(SkinBox{rect.left, rect.top, rect.right, rect.bottom}, skinDpi);
    return RECT{box.left, box.top, box.right, box.bottom};
}
