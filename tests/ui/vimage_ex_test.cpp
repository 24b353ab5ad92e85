// The animated picture of the offline banner.
#include <gtest/gtest.h>

#include <set>

#include "res/resource.h"
#include "ui/vimage_ex.h"
#include "ui_test_support.h"

namespace {
constexpr DWORD kWaitMs = 5000;

class VImageExTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGdiplus();
        host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 169, 70, 240, 166,
                               window.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
        PumpFor(50);
    }
    void Aim(VImageEx& image) {
        image.targetWindow = host;
        GetClientRect(host, &image.destRect);
    }
    WizardStandIn window;
    HWND host = nullptr;
};
} // namespace

TEST_F(VImageExTest, ReadsSevenFramesOfAHundredMilliseconds) {
    VImageEx* image = new VImageEx();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->loaded);
    EXPECT_EQ(image->FrameCount(), 7u);
    EXPECT_EQ(image->GetWidth(), 240u);
    EXPECT_EQ(image->GetHeight(), 166u);
    for (UINT frame = 0; frame < 7; ++frame) {
        EXPECT_EQ(image->FrameDelay(frame), 100u) << "frame " << frame;
    }
    EXPECT_FALSE(image->Animating());
    delete image;
}

// Frames follow each other at the picture's pace and wrap around to 0; the window
// shows different pictures over time; transparent parts show the window colour.
TEST_F(VImageExTest, PlaysEveryFrameInTurnAndWraps) {
    VImageEx* image = new VImageEx();
    Aim(*image);
    ASSERT_TRUE(image->StartAnimation());

    std::set<UINT> seen;
    Pixels shots[7];
    UINT previous = image->CurrentFrame();
    ULONGLONG firstOne = 0;
    ULONGLONG cycle = 0;
    const bool wrapped = PumpUntil(
        [&] {
            const UINT now = image->CurrentFrame();
            const ULONGLONG t = GetTickCount64();
            seen.insert(now);
            if (now == 1 && previous != 1) {
                if (firstOne == 0) {
                    firstOne = t;
                } else if (cycle == 0 && t - firstOne > 300) {
                    cycle = t - firstOne;
                }
            }
            previous = now;
            if (shots[now].empty()) {
                Sleep(30); // let the thread finish drawing the frame it just selected
                shots[now] = CaptureWindow(host);
            }
            return cycle != 0;
        },
        kWaitMs);
    ASSERT_TRUE(wrapped) << "frame 1 did not come round again";
    EXPECT_EQ(seen.size(), 7u);
    // Seven frames of 100 ms: a round never takes less than 700 ms (the 80 ms
    // fallback would make it 560).
    EXPECT_GE(cycle, 650u);

    for (UINT frame = 0; frame < 7; ++frame) {
        ASSERT_FALSE(shots[frame].empty());
        SaveScreenshot(shots[frame], L"animation_frame_" + std::to_wstring(frame));
    }
    EXPECT_GT(CountDifferences(shots[0], shots[3]), 100) << "the picture did not change";
    EXPECT_GT(CountInk(shots[0], {0, 0, 240, 166}), 1000) << "nothing drawn";
    const std::uint32_t windowColour = [] {
        const COLORREF c = GetSysColor(COLOR_WINDOW);
        return Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
    }();
    EXPECT_EQ(shots[0].At(2, 160), windowColour) << "a transparent corner";
    EXPECT_EQ(shots[3].At(237, 100), windowColour);
    delete image;
}

TEST_F(VImageExTest, StartingTwiceStartsOneThread) {
    const int before = ThreadCount();
    VImageEx* image = new VImageEx();
    Aim(*image);
    EXPECT_TRUE(image->StartAnimation());
    EXPECT_FALSE(image->StartAnimation());
    EXPECT_EQ(ThreadCount(), before + 1);
    const ULONGLONG start = GetTickCount64();
    delete image; // stops and waits for its thread
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(ThreadCount(), before);
}

// Nothing to wait for: the destructor must not wait for a thread that never ran.
TEST_F(VImageExTest, DeletingOneThatNeverStartedReturnsAtOnce) {
    const int threads = ThreadCount();
    VImageEx* image = new VImageEx();
    ASSERT_TRUE(image->loaded);
    EXPECT_EQ(ThreadCount(), threads);
    const ULONGLONG start = GetTickCount64();
    delete image;
    EXPECT_LT(GetTickCount64() - start, 1000u);
}

TEST_F(VImageExTest, NeverDrawsWithoutATargetWindow) {
    VImageEx* image = new VImageEx();
    EXPECT_FALSE(image->StartAnimation()) << "it would draw over the whole screen";
    EXPECT_FALSE(image->Animating());
    delete image;
}

// Deleted through the GDI+ base, as the banner's owner could: the whole object,
// thread included, goes.
TEST_F(VImageExTest, DeletesThroughItsBase) {
    const int before = ThreadCount();
    VImageEx* image = new VImageEx();
    Aim(*image);
    ASSERT_TRUE(image->StartAnimation());
    Gdiplus::Image* base = image;
    delete base;
    EXPECT_EQ(ThreadCount(), before);
}
