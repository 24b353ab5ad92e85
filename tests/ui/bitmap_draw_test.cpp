// The two drawing helpers behind every picture of the window, at 96 DPI and above.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include "res/resource.h"
#include "ui/bitmap_draw.h"
#include "ui/scaled_pictures.h"
#include "ui/skin_scale.h"
#include "ui_test_support.h"

TEST(BitmapDraw, DrawsAResourceAtItsOwnSizeUnchanged) {
    EnsureGdiplus();
    for (const WORD id : {IDB_AGREE_PICTURE, IDB_DONE_PICTURE}) {
        const Pixels drawn = RenderInto(570, 240, [&](HDC dc) {
            DrawBitmapResource(GetModuleHandleW(nullptr), dc, id, 570, 240);
        });
        EXPECT_EQ(CountDifferences(drawn, ResourceBitmap(id)), 0) << "bitmap " << id;
        SaveScreenshot(drawn,
                       id == IDB_AGREE_PICTURE ? L"picture_152_upgrade" : L"picture_182_done");
    }
}

TEST(BitmapDraw, AMissingResourceDrawsNothing) {
    EnsureGdiplus();
    const Pixels drawn = RenderInto(
        120, 40, [](HDC dc) { DrawBitmapResource(GetModuleHandleW(nullptr), dc, 9999, 120, 40); });
    EXPECT_EQ(CountInk(drawn, {0, 0, 120, 40}, kWhite, 0), 0);
}

// A downloaded slide of any size fills exactly the 570 x 240 picture area, and the
// slideshow still owns the bitmap afterwards.
TEST(BitmapDraw, StretchesASlideIntoThePictureAreaAndLeavesItToTheCaller) {
    EnsureGdiplus();
    const Pixels slidePixels = RenderInto(57, 24, [](HDC dc) {
        const RECT left{0, 0, 28, 24};
        const RECT right{28, 0, 57, 24};
        const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        const HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
        FillRect(dc, &left, red);
        FillRect(dc, &right, green);
        DeleteObject(red);
        DeleteObject(green);
    });
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 57, -24, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const HBITMAP slide = CreateDIBitmap(GetDC(nullptr), &info.bmiHeader, CBM_INIT,
                                         slidePixels.rgb.data(), &info, DIB_RGB_COLORS);
    ASSERT_NE(slide, nullptr);

    const Pixels drawn = RenderInto(600, 260, [&](HDC dc) { DrawSlideBitmap(slide, dc); });
    EXPECT_EQ(drawn.At(5, 5), Rgb(255, 0, 0));
    EXPECT_EQ(drawn.At(560, 230), Rgb(0, 160, 0));
    EXPECT_EQ(CountInk(drawn, {570, 0, 600, 260}, kWhite, 0), 0) << "drawn beyond 570 wide";
    EXPECT_EQ(CountInk(drawn, {0, 240, 600, 260}, kWhite, 0), 0) << "drawn beyond 240 high";
    BITMAP still{};
    EXPECT_NE(GetObjectW(slide, sizeof still, &still), 0) << "the slide was deleted";
    DeleteObject(slide);
}

namespace {
// The art the build drew at `percent` for resource `id`, decoded as it is, at its size.
Pixels ArtAt(WORD id, int percent) {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id + ArtResourceOffset(percent)),
                                      MAKEINTRESOURCEW(10));
    const DWORD size = found != nullptr ? SizeofResource(nullptr, found) : 0;
    const void* bytes = found != nullptr ? LockResource(LoadResource(nullptr, found)) : nullptr;
    if (bytes == nullptr) {
        return {};
    }
    IStream* stream = nullptr;
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    CopyMemory(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    CreateStreamOnHGlobal(memory, TRUE, &stream);
    Gdiplus::Bitmap art(stream);
    const Pixels pixels =
        RenderInto(static_cast<int>(art.GetWidth()), static_cast<int>(art.GetHeight()),
                   [&](HDC dc) { Gdiplus::Graphics(dc).DrawImage(&art, 0, 0); });
    stream->Release();
    return pixels;
}
} // namespace

// At 150 % and 200 % the pictures are the ones the build drew at that size (a filter at
// 1:1 changes nothing); at 125 % the 150 % drawing filtered down, never blocks of the
// 96-DPI one. Drawn again, a picture comes out the same from what was kept.
TEST(BitmapDraw, AtHigherDpiDrawsTheNearestArtFiltered) {
    EnsureGdiplus();
    HINSTANCE module = GetModuleHandleW(nullptr);
    struct Picture {
        WORD id;
        int width, height; // at 96 DPI
    };
    for (const Picture picture : {Picture{IDB_AGREE_PICTURE, 570, 240},
                                  Picture{IDB_INSTALL, 120, 40}, Picture{IDB_CLOSE, 34, 22}}) {
        for (const int dpi : {144, 192}) {
            SetSkinDpi(dpi);
            const Pixels art = ArtAt(picture.id, NearestArtPercent(dpi));
            ASSERT_EQ(art.width, ScaleLength(picture.width, dpi)) << picture.id << " at " << dpi;
            ASSERT_EQ(art.height, ScaleLength(picture.height, dpi)) << picture.id << " at " << dpi;
            auto draw = [&](HDC dc) {
                DrawBitmapResource(module, dc, picture.id, picture.width, picture.height);
            };
            const Pixels drawn = RenderInto(art.width, art.height, draw);
            EXPECT_LE(CountDifferences(drawn, art, 3), art.width * art.height / 100)
                << picture.id << " at " << dpi;
            EXPECT_EQ(CountDifferences(drawn, RenderInto(art.width, art.height, draw)), 0)
                << picture.id << " at " << dpi << ": drawn again from what was kept";
        }
        ForgetScaledPictures();
    }
    // 125 %: a picture blown up by whole pixels would repeat one column in every five of
    // its 713; filtered, neighbouring columns differ.
    SetSkinDpi(120);
    const Pixels drawn = RenderInto(
        713, 300, [&](HDC dc) { DrawBitmapResource(module, dc, IDB_AGREE_PICTURE, 570, 240); });
    int repeatedColumns = 0;
    for (int x = 1; x < 713; ++x) {
        bool same = true;
        for (int y = 0; y < 300 && same; ++y) {
            same = drawn.At(x, y) == drawn.At(x - 1, y);
        }
        repeatedColumns += same ? 1 : 0;
    }
    EXPECT_LT(repeatedColumns, 20);
    SaveScreenshot(drawn, L"picture_152_at_125_percent");
    ForgetScaledPictures();
    SetSkinDpi(96);
}
