#include "ui/control_font.h"

HFONT CreateControlFont(int pixelHeight) {
    LOGFONTW font{};
    font.lfHeight = -pixelHeight; // negative: character height, not cell height
    font.lfCharSet = GB2312_CHARSET;
    return CreateFontIndirectW(&font);
}
