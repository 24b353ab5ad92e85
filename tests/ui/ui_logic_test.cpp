// The pure rules of the skinned controls: animation frame delays, the folder label's
// text and the skin's scaling to the display's DPI.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/dpi_scale.h"
#include "ui/folder_text.h"
#include "ui/frame_delay.h"

TEST(FrameDelay, KeepsTenToFiveThousandMillisecondsAndFallsBackOutside) {
    EXPECT_EQ(FrameDelayMilliseconds(0), 80u);
    EXPECT_EQ(FrameDelayMilliseconds(1), 10u);
    EXPECT_EQ(FrameDelayMilliseconds(10), 100u);
    EXPECT_EQ(FrameDelayMilliseconds(500), 5000u);
    EXPECT_EQ(FrameDelayMilliseconds(501), 80u);
    // Large enough to wrap around 32 bits when multiplied by ten, into 704 ms.
    EXPECT_EQ(FrameDelayMilliseconds(429496800u), 80u);
    EXPECT_EQ(FrameDelayMilliseconds(UINT32_MAX), 80u);
}

TEST(FrameDelay, ReadsEachFramesEntryAndNothingBeyondTheProperty) {
    const std::uint32_t delays[] = {10, 0, 500, 1000};
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 0), 100u);
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 1), 80u);
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 2), 5000u);
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 3), 80u);
    // Frames the property has no entry for (a damaged picture) get the fallback.
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 4), 80u);
    EXPECT_EQ(FrameDelayFromProperty(delays, 6, 1), 80u); // half an entry
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, UINT32_MAX), 80u);
    EXPECT_EQ(FrameDelayFromProperty(nullptr, 16, 0), 80u);
}

TEST(FolderText, KeepsAtMost259UnitsAlwaysTerminated) {
    wchar_t buffer[kFolderTextCapacity];
    const std::wstring longText(300, L'x');
    CopyFolderText(buffer, longText.c_str());
    EXPECT_EQ(std::wstring(buffer), std::wstring(259, L'x'));
    EXPECT_EQ(buffer[259], L'\0');

    CopyFolderText(buffer, L"C:\\Lumo");
    EXPECT_EQ(std::wstring(buffer), L"C:\\Lumo");
    for (size_t i = 7; i < kFolderTextCapacity; ++i) {
        ASSERT_EQ(buffer[i], L'\0') << "left over from the longer text at " << i;
    }

    CopyFolderText(buffer, nullptr);
    EXPECT_EQ(buffer[0], L'\0');
}

TEST(FolderText, CutsAfterTwentyUnits) {
    EXPECT_EQ(LayOutFolderLabel(20).shownUnits, 20u);
    EXPECT_FALSE(LayOutFolderLabel(20).cut);
    EXPECT_EQ(LayOutFolderLabel(21).shownUnits, 20u);
    EXPECT_TRUE(LayOutFolderLabel(21).cut);
    EXPECT_FALSE(LayOutFolderLabel(0).cut);
}

TEST(DpiScale, RoundsToTheNearestPixelHalvesAwayFromZero) {
    EXPECT_EQ(ScaleLength(570, 96), 570);
    EXPECT_EQ(ScaleLength(570, 120), 713); // 712.5
    EXPECT_EQ(ScaleLength(570, 144), 855);
    EXPECT_EQ(ScaleLength(370, 192), 740);
    EXPECT_EQ(ScaleLength(12, 120), 15);
    EXPECT_EQ(ScaleLength(1, 144), 2); // 1.5
    EXPECT_EQ(ScaleLength(-1, 144), -2);
    EXPECT_EQ(ScaleLength(-50, 120), -63);              // -62.5
    EXPECT_EQ(ScaleLength(7, 0), 7);                    // no DPI known: as at 96
    EXPECT_EQ(ScaleLength(400000000, 480), 2000000000); // no 32-bit overflow on the way
}

// The window's controls at 96 DPI, and clicks at every one of their points: scaled,
// each still lands in its own scaled control and in no neighbour that did not hold it.
TEST(DpiScale, EveryPointOfAControlStaysInsideItScaled) {
    const SkinBox controls[] = {
        {535, 0, 569, 22},    {495, 0, 529, 22},    {220, 278, 340, 318}, {10, 340, 34, 364},
        {68, 344, 118, 362},  {510, 290, 542, 308}, {30, 290, 470, 310},  {230, 260, 350, 300},
        {220, 175, 310, 199}, {320, 175, 410, 199}, {166, 30, 406, 265},  {354, 290, 504, 310},
    };
    for (int dpi : {96, 120, 144, 168, 192, 240, 288}) {
        for (const SkinBox& control : controls) {
            const SkinBox scaled = ScaleBox(control, dpi);
            for (int y = control.top - 1; y <= control.bottom; ++y) {
                for (int x = control.left - 1; x <= control.right; ++x) {
                    ASSERT_EQ(BoxContains(scaled, ScaleLength(x, dpi), ScaleLength(y, dpi)),
                              BoxContains(control, x, y))
                        << "(" << x << ", " << y << ") at " << dpi << " DPI";
                }
            }
        }
    }
}

TEST(DpiScale, TouchingRectanglesStillTouchAndSizesStayWithinAPixel) {
    for (int dpi = 96; dpi <= 480; ++dpi) {
        const SkinBox left = ScaleBox({0, 0, 235, 22}, dpi);
        const SkinBox right = ScaleBox({235, 0, 569, 22}, dpi);
        ASSERT_EQ(left.right, right.left) << dpi;
        const SkinBox close = ScaleBox({535, 0, 569, 22}, dpi);
        const int exact = 34 * dpi / 96;
        ASSERT_LE(std::abs(close.right - close.left - exact), 1) << dpi;
    }
}

TEST(DpiScale, TheDpiIsReadBackFromTheWindowWidth) {
    for (int dpi = 96; dpi <= 480; ++dpi) {
        ASSERT_EQ(DpiOfWidth(ScaleLength(570, dpi), 570), dpi);
    }
    EXPECT_EQ(DpiOfWidth(0, 570), 96);
    EXPECT_EQ(DpiOfWidth(570, 0), 96);
}

TEST(DpiScale, PicturesScaleFromTheNearestArtTheLargerOnATie) {
    EXPECT_EQ(NearestArtPercent(96), 100);
    EXPECT_EQ(NearestArtPercent(0), 100);
    EXPECT_EQ(NearestArtPercent(110), 100); // 115 %
    EXPECT_EQ(NearestArtPercent(120), 150); // 125 %: a tie
    EXPECT_EQ(NearestArtPercent(144), 150);
    EXPECT_EQ(NearestArtPercent(168), 200); // 175 %: a tie
    EXPECT_EQ(NearestArtPercent(160), 150); // 167 %
    EXPECT_EQ(NearestArtPercent(192), 200);
    EXPECT_EQ(NearestArtPercent(480), 200);
}
