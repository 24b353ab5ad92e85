// Every drawing step releases what it made: thousands of repaints of every control
// leave the process's GDI object count where it was.
//
// GetGuiResources answers 0 under Wine, so the count is read as headroom: how many
// regions the process can still create before the per-process limit refuses one.
// Objects held by the process lower it one for one.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <gdiplus.h>

#include <iterator>
#include <vector>

#include "core/messages.h"
#include "res/resource.h"
#include "ui/retry_banner.h"
#include "ui/skin_buttons.h"
#include "ui/text_controls.h"
#include "ui_test_support.h"

namespace {
constexpr int kRepaints = 3000;

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters.PagefileUsage; // what Wine fills in: the process's private memory
}

void Repaint(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
} // namespace

TEST(GdiCounter, CountsADeliberateLeakExactly) {
    EnsureGdiplus();
    const long before = GdiHeadroom();
    ASSERT_GT(before, 1000) << "no limit to measure against";
    ASSERT_EQ(GdiHeadroom(), before) << "the counter itself leaks";
    HBRUSH leaked[25];
    for (HBRUSH& brush : leaked) {
        brush = CreateSolidBrush(RGB(1, 2, 3));
    }
    const HFONT font = CreateFontW(-12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    EXPECT_EQ(GdiHeadroom(), before - 26);
    for (HBRUSH brush : leaked) {
        DeleteObject(brush);
    }
    DeleteObject(font);
    EXPECT_EQ(GdiHeadroom(), before);
    std::printf("GDI headroom of this process: %ld objects\n", before);
}

// GDI+ objects live in memory, not in the GDI table: the memory reading must show
// forty forgotten 570 x 240 pictures (about 21 MB).
TEST(GdiCounter, MemorySeesForgottenGdiplusPictures) {
    if (sizeof(void*) == 4) {
        // Measured: 40 pictures (21 MB) add 0.6 MB to a 32-bit Wine process's counter and
        // 22 MB to a 64-bit one's. The memory half of the leak checks speaks only there.
        GTEST_SKIP() << "32-bit Wine keeps GDI+ picture memory out of the process counters";
    }
    EnsureGdiplus();
    const SIZE_T before = PrivateBytes();
    std::vector<Gdiplus::GpBitmap*> kept;
    for (int i = 0; i < 40; ++i) {
        Gdiplus::GpBitmap* bitmap = nullptr;
        Gdiplus::DllExports::GdipCreateBitmapFromScan0(570, 240, 0, PixelFormat32bppARGB, nullptr,
                                                       &bitmap);
        kept.push_back(bitmap);
    }
    const SIZE_T during = PrivateBytes();
    for (Gdiplus::GpBitmap* bitmap : kept) {
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
    }
    EXPECT_GT(during, before + 16u * 1024 * 1024);
    std::printf("private memory %zu -> %zu with 40 pictures kept\n", static_cast<size_t>(before),
                static_cast<size_t>(during));
}

TEST(GdiLeak, ThousandsOfRepaintsOfEveryControlLeaveNothingBehind) {
    WizardStandIn window(IDB_AGREE_PICTURE);
    installEnabled = 1;
    ParkPointer();
    const HWND buttons[] = {
        window.AddControl(101, L"", kNotifyStatic, 535, 0, 34, 22, CloseButtonProc),
        window.AddControl(114, L"", kNotifyStatic, 495, 0, 34, 22, MinimizeButtonProc),
        window.AddControl(102, L"一键安装", kNotifyStatic, 220, 278, 120, 40, InstallButtonProc),
        window.AddControl(106, L"完成", kNotifyStatic, 230, 320, 120, 40, FinishButtonProc),
        window.AddControl(107, L"", kNotifyStatic, 220, 175, 90, 24, TencentShareButtonProc),
        window.AddControl(108, L"", kNotifyStatic, 320, 175, 90, 24, SinaShareButtonProc),
    };
    const HWND install = buttons[2];
    const HWND agreement =
        window.AddControl(111, L"许可协议", kNotifyStatic, 68, 344, 50, 18, AgreementLinkProc);
    const HWND change =
        window.AddControl(104, L"更改", kNotifyStatic, 510, 290, 32, 18, ChangeFolderLinkProc);
    const HWND cancel =
        window.AddControl(105, L"取消", kNotifyStatic, 510, 310, 32, 18, CancelLinkProc);
    const HWND label =
        window.AddControl(112, L"", kNotifyStatic, 354, 290, 150, 20, FolderLabelProc);
    const HWND labelTip = window.AddTooltip();
    const HWND changeTip = window.AddTooltip();
    SendMessageW(label, UM_SET_TOOLTIP, reinterpret_cast<WPARAM>(labelTip), 0);
    SendMessageW(change, UM_SET_TOOLTIP, reinterpret_cast<WPARAM>(changeTip), 0);
    const HWND textControls[] = {agreement, change, cancel, label};

    const HWND all[] = {buttons[0], buttons[1], buttons[2], buttons[3], buttons[4],
                        buttons[5], agreement,  change,     cancel,     label};

    // Everything else a control draws: hover, leave, state changes, and now and then
    // a balloon (showing one costs about a second under Wine, so only a few).
    const std::wstring shortFolder = L"D:\\Lumo";
    const std::wstring longFolder = L"D:\\Program Files\\Vantrel\\Lumo工作台";
    auto interact = [&](int i, bool balloon) {
        for (const HWND button : buttons) {
            SendMessageW(button, WM_MOUSEHOVER, 0, 0);
            SendMessageW(button, WM_MOUSELEAVE, 0, 0);
            SendMessageW(button, UM_SKIN_STATE, 0, 0);
        }
        SendMessageW(install, UM_SKIN_STATE, i % 2, 0);
        const std::wstring& folder = balloon ? longFolder : shortFolder;
        SendMessageW(label, UM_SET_FOLDER_TEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        for (const HWND text : textControls) {
            Repaint(text);
            SendMessageW(text, WM_MOUSEHOVER, 0, 0);
            SendMessageW(text, WM_MOUSELEAVE, 0, 0);
        }
        PumpFor(0);
    };
    auto paintAll = [&] {
        for (const HWND control : all) {
            Repaint(control);
        }
    };
    for (int i = 0; i < 10; ++i) {
        paintAll(); // first uses may set up caches that live for the process
        interact(i, i < 2);
    }
    const long before = GdiHeadroom();
    const SIZE_T bytesBefore = PrivateBytes();
    const ULONGLONG start = GetTickCount64();
    for (int i = 0; i < kRepaints; ++i) {
        paintAll();
        if (i % 50 == 0) {
            interact(i, i % 1000 == 0);
        }
    }
    const ULONGLONG took = GetTickCount64() - start;
    const long after = GdiHeadroom();
    const SIZE_T bytesAfter = PrivateBytes();
    std::printf("controls: headroom %ld before, %ld after %d repaints of each of %zu controls "
                "(%llu ms); private bytes %zu -> %zu\n",
                before, after, kRepaints, std::size(all), took, static_cast<size_t>(bytesBefore),
                static_cast<size_t>(bytesAfter));
    EXPECT_EQ(after, before);
    // A GDI+ bitmap kept per paint would add tens of megabytes; allow heap noise only.
    EXPECT_LT(bytesAfter, bytesBefore + 8u * 1024 * 1024);
    installEnabled = 1;
}

// The banner owns a thread and a memory device context while it lives; after
// thousands of repaints and its destruction, nothing of it remains.
TEST(GdiLeak, TheBannerLeavesNothingBehindOnceDestroyed) {
    WizardStandIn window;
    auto lifetime = [&](int repaints) {
        const HWND banner =
            window.AddControl(110, L"", kBannerStyle, 166, 30, 240, 235, RetryBannerProc);
        ShowWindow(banner, SW_HIDE);
        ShowWindow(banner, SW_SHOW);
        for (int i = 0; i < repaints; ++i) {
            PostMessageW(banner, UM_RETRY_COUNT, i, 0);
            Repaint(banner);
        }
        DestroyWindow(banner);
    };
    lifetime(20);
    const long before = GdiHeadroom();
    const SIZE_T bytesBefore = PrivateBytes();
    const ULONGLONG start = GetTickCount64();
    lifetime(kRepaints);
    std::printf("banner: %d repaints in %llu ms\n", kRepaints, GetTickCount64() - start);
    const long after = GdiHeadroom();
    const SIZE_T bytesAfter = PrivateBytes();
    std::printf("banner: headroom %ld before, %ld after %d repaints; private bytes %zu -> %zu\n",
                before, after, kRepaints, static_cast<size_t>(bytesBefore),
                static_cast<size_t>(bytesAfter));
    EXPECT_EQ(after, before);
    EXPECT_LT(bytesAfter, bytesBefore + 8u * 1024 * 1024);
}
