// The two drawing helpers behind every picture of the window.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "ui/bitmap_draw.h"
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
