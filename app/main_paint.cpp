#include "app/main_paint.h"

#include "app/wizard_state.h"
#include "core/app_object.h"
#include "core/gdi_handles.h"
#include "res/resource.h"
#include "ui/bitmap_draw.h"
#include "ui/control_font.h"
#include "ui/skin_scale.h"

namespace {
constexpr COLORREF kFrameColour = RGB(186, 199, 209);

COLORREF TextColourOf(int page) {
    switch (page) {
    case PAGE_OFFLINE:
        return RGB(255, 0, 0);
    case PAGE_DOWNLOAD:
    case PAGE_INSTALL:
    case PAGE_REMOVE_OLD:
        return RGB(0, 0, 255);
    default:
        return RGB(175, 175, 175);
    }
}

// One pixel wide at 96 DPI along the window's edge, as wide as the scale makes it.
void DrawFrame(HDC dc) {
    const ScopedBrush brush(CreateSolidBrush(kFrameColour));
    const int width = SkinLength(kMainWindowWidth);
    const int height = SkinLength(kMainWindowHeight);
    const int line = SkinLength(1);
    const RECT edges[] = {{0, 0, width, line},
                          {width - line, 0, width, height},
                          {0, height - line, width, height},
                          {0, 0, line, height}};
    for (const RECT& edge : edges) {
        FillRect(dc, &edge, brush.get());
    }
}

// At a 96-DPI point of the window.
void TextAt(HDC dc, int x, int y, const wchar_t* text) {
    TextOutW(dc, SkinLength(x), SkinLength(y), text, lstrlenW(text));
}

// The status line is erased first: a shorter text must not leave a longer one behind.
void DrawStatusLine(HDC dc) {
    const RECT& area = GetApp()->statusRect;
    FillRect(dc, &area, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    TextAt(dc, 34, 331, statusText);
}

constexpr wchar_t kPausedStatus[] = L"下载暂停";

void DrawPictureOrFirstSlide(HDC dc, HINSTANCE instance) {
    HBITMAP first = GetApp()->slides.At(0);
    if (first != nullptr) {
        DrawSlideBitmap(first, dc);
    } else {
        DrawBitmapResource(instance, dc, IDB_AGREE_PICTURE, 570, 240);
    }
}
} // namespace

void PaintMainWindow(HDC dc, HINSTANCE instance) {
    DrawFrame(dc);
    const ScopedFont font(CreateControlFont(SkinLength(kSmallFontHeight)));
    const int page = GetApp()->page.load();
    SetTextColor(dc, TextColourOf(page));
    const ScopedSelect selected(dc, font.get());
    switch (page) {
    case PAGE_AGREE:
        TextAt(dc, 33, 344, kConsentBefore);
        TextAt(dc, kConsentAfterX, 344, kConsentAfter);
        DrawBitmapResource(instance, dc, IDB_AGREE_PICTURE, 570, 240);
        break;
    case PAGE_DOWNLOAD:
    case PAGE_INSTALL:
    case PAGE_REMOVE_OLD:
        DrawPictureOrFirstSlide(dc, instance);
        DrawStatusLine(dc);
        break;
    case PAGE_DONE:
        DrawBitmapResource(instance, dc, IDB_DONE_PICTURE, 570, 240);
        break;
    case PAGE_OFFLINE:
        SetStatusText(kPausedStatus);
        DrawStatusLine(dc);
        break;
    default: // PAGE_VERIFY: the frame only
        break;
    }
}

const wchar_t* StatusLineOf(int page) {
    switch (page) {
    case PAGE_DOWNLOAD:
    case PAGE_INSTALL:
    case PAGE_REMOVE_OLD:
        return statusText;
    case PAGE_OFFLINE:
        return kPausedStatus;
    default:
        return nullptr;
    }
}
