// The offline page's banner: frame, message, animation and retry count.
#include <gtest/gtest.h>

#include <string>

#include "core/messages.h"
#include "ui/control_font.h"
#include "ui/retry_banner.h"
#include "ui/vimage_ex.h"
#include "ui_test_support.h"

namespace {
constexpr DWORD kWaitMs = 3000;
constexpr RECT kCountLine{100, 210, 230, 233}; // above the frame's bottom edge

// Independent reference for the count line: the small font at (100, 210), default
// colours, on white.
Pixels CountLineReference(const std::wstring& text) {
    return RenderInto(240, 235,
                      [&](HDC dc) {
                          const HFONT font = CreateControlFont(kSmallFontHeight);
                          const HGDIOBJ old = SelectObject(dc, font);
                          TextOutW(dc, 100, 210, text.c_str(), static_cast<int>(text.size()));
                          SelectObject(dc, old);
                          DeleteObject(font);
                      })
        .Crop(kCountLine);
}

class RetryBannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ParkPointer();
        // As the wizard: created visible, then hidden by the first page switch.
        banner =
            window.AddControl(110, L"", kBannerStyle, 166, 30, 240, 235, RetryBannerProc, false);
        ShowWindow(banner, SW_HIDE);
        PumpFor(30);
    }
    void TearDown() override {
        if (IsWindow(banner)) {
            DestroyWindow(banner);
        }
    }
    void Show() {
        ShowWindow(banner, SW_SHOW);
        UpdateWindow(banner);
        PumpFor(30);
    }
    Pixels CountLine() { return CaptureWindow(banner).Crop(kCountLine); }

    WizardStandIn window;
    HWND banner = nullptr;
};
} // namespace

TEST_F(RetryBannerTest, MakesThePictureHostAtTheFirstHideAndTheImageAtTheFirstPaint) {
    ASSERT_NE(pictureHost, nullptr);
    EXPECT_EQ(GetParent(pictureHost), banner);
    RECT place{};
    GetWindowRect(pictureHost, &place);
    MapWindowPoints(nullptr, banner, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, 3);
    EXPECT_EQ(place.top, 40);
    EXPECT_EQ(place.right - place.left, 240);
    EXPECT_EQ(place.bottom - place.top, 166);
    EXPECT_EQ(bannerImage, nullptr) << "made before the banner was ever painted";

    const int threads = ThreadCount();
    Show();
    ASSERT_NE(bannerImage, nullptr);
    EXPECT_TRUE(bannerImage->Animating());
    EXPECT_EQ(ThreadCount(), threads + 1);

    DestroyWindow(banner);
    EXPECT_EQ(bannerImage, nullptr);
    EXPECT_EQ(ThreadCount(), threads) << "the animation outlived the banner";
}

TEST_F(RetryBannerTest, CountsRetriesInTheCountLine) {
    Show();
    PostMessageW(banner, UM_RETRY_COUNT, 1, 0);
    ASSERT_TRUE(PumpUntil([&] { return bannerRetryCount == 1; }, kWaitMs));
    ASSERT_TRUE(PumpUntil(
        [&] { return CountDifferences(CountLine(), CountLineReference(L"已重试1次")) == 0; },
        kWaitMs));
    PumpFor(250); // the animation's next frame covers the picture host's own paint
    SaveScreenshot(CaptureWindow(banner), L"retry_banner_count_1");

    // Two digits: the closing 次 is still drawn.
    PostMessageW(banner, UM_RETRY_COUNT, 12, 0);
    EXPECT_TRUE(PumpUntil(
        [&] { return CountDifferences(CountLine(), CountLineReference(L"已重试12次")) == 0; },
        kWaitMs));
    const Pixels line = CountLine();
    SIZE head{};
    {
        const HDC screen = GetDC(nullptr);
        const HFONT font = CreateControlFont(kSmallFontHeight);
        const HGDIOBJ old = SelectObject(screen, font);
        GetTextExtentPoint32W(screen, L"已重试12", 5, &head);
        SelectObject(screen, old);
        DeleteObject(font);
        ReleaseDC(nullptr, screen);
    }
    EXPECT_GT(CountInk(line, {head.cx, 0, head.cx + 12, 23}), 5) << "次 is missing";
    PumpFor(250);
    SaveScreenshot(CaptureWindow(banner), L"retry_banner_count_12");

    // A new offline period starts counting at 1 again.
    PostMessageW(banner, UM_RETRY_COUNT, 1, 0);
    EXPECT_TRUE(PumpUntil(
        [&] { return CountDifferences(CountLine(), CountLineReference(L"已重试1次")) == 0; },
        kWaitMs));
}

TEST_F(RetryBannerTest, DrawsTheFrameTheMessageAndThePlayingPicture) {
    Show();
    PostMessageW(banner, UM_RETRY_COUNT, 3, 0);
    const std::uint32_t yellow = Rgb(239, 239, 31);
    PumpUntil(
        [&] {
            const Pixels now = CaptureWindow(banner);
            return now.At(0, 120) == yellow && CountInk(now, {3, 40, 237, 206}) > 1000;
        },
        2000);
    const Pixels shown = CaptureWindow(banner);
    EXPECT_EQ(shown.At(0, 120), yellow);
    EXPECT_EQ(shown.At(120, 0), yellow);
    EXPECT_GT(CountInk(shown, {25, 10, 215, 30}), 100) << "no message line";
    EXPECT_GT(CountInk(shown, {3, 40, 237, 206}), 1000) << "no picture";
    SaveScreenshot(shown, L"retry_banner");
    // The whole offline page, banner over the picture area.
    SaveScreenshot(CaptureWindow(window.hwnd()), L"retry_banner_on_page");

    // The drawing step alone, on a memory bitmap: the same frame and lines.
    const Pixels painted = RenderInto(240, 235, [](HDC dc) {
        PaintRetryBanner(dc, {0, 0, 240, 235}, 3);
    });
    EXPECT_EQ(CountDifferences(painted.Crop({0, 0, 240, 40}), shown.Crop({0, 0, 240, 40})), 0);
    EXPECT_EQ(CountDifferences(painted.Crop(kCountLine), shown.Crop(kCountLine)), 0);
}

TEST_F(RetryBannerTest, ShowingAgainKeepsTheOneRunningAnimation) {
    const int threads = ThreadCount();
    Show();
    VImageEx* const first = bannerImage;
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(ThreadCount(), threads + 1);

    ShowWindow(banner, SW_HIDE); // back online
    PumpFor(150);
    EXPECT_EQ(ThreadCount(), threads + 1) << "hiding stopped the animation";
    Show(); // offline again
    RedrawWindow(banner, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(bannerImage, first);
    EXPECT_EQ(ThreadCount(), threads + 1) << "a second animation thread";
    const UINT frame = bannerImage->CurrentFrame();
    EXPECT_TRUE(PumpUntil([&] { return bannerImage->CurrentFrame() != frame; }, kWaitMs));
}

TEST_F(RetryBannerTest, GivesNoClicks) {
    Show();
    ClickAt(CentreOf(banner));
    EXPECT_TRUE(window.commands.empty());
    ParkPointer();
}
