// The six bitmap buttons, created on a stand-in window the way the wizard creates
// them and driven with real pointer input.
#include <gtest/gtest.h>

#include "core/messages.h"
#include "res/resource.h"
#include "ui/bitmap_draw.h"
#include "ui/skin_buttons.h"
#include "ui_test_support.h"

namespace {
constexpr DWORD kWaitMs = 3000;

bool Shows(HWND control, WORD bitmap) {
    return CountDifferences(CaptureWindow(control), ResourceBitmap(bitmap)) == 0;
}

bool ShowsSoon(HWND control, WORD bitmap) {
    return PumpUntil([&] { return Shows(control, bitmap); }, kWaitMs);
}

bool CursorIs(LPCWSTR id) {
    return GetCursor() == LoadCursorW(nullptr, id);
}

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        installEnabled = 1; // the process-wide state starts enabled, as at start-up
        ParkPointer();
    }
    void TearDown() override { ParkPointer(); }
};

class InstallButtonTest : public SkinButtonTest {
protected:
    void SetUp() override {
        SkinButtonTest::SetUp();
        button = window.AddControl(102, L"一键安装", kNotifyStatic, 220, 278, 120, 40,
                                   InstallButtonProc);
    }
    WizardStandIn window{IDB_AGREE_PICTURE};
    HWND button = nullptr;
};
} // namespace

TEST_F(InstallButtonTest, GreysOutAndRefusesClicksWhileDisabled) {
    ASSERT_TRUE(ShowsSoon(button, IDB_INSTALL));
    SaveScreenshot(CaptureWindow(window.hwnd()), L"install_button_window");

    SendMessageW(button, UM_SKIN_STATE, 0, 0);
    EXPECT_EQ(installEnabled, 0);
    EXPECT_TRUE(Shows(button, IDB_INSTALL_DISABLED));
    SaveScreenshot(CaptureWindow(button), L"install_button_disabled");

    ClickAt(CentreOf(button));
    EXPECT_TRUE(window.commands.empty()) << "a disabled button gave a click";
    EXPECT_TRUE(Shows(button, IDB_INSTALL_DISABLED)) << "pointer on it turned it blue";

    SendMessageW(button, UM_SKIN_STATE, 1, 0);
    EXPECT_EQ(installEnabled, 1);
    EXPECT_TRUE(Shows(button, IDB_INSTALL));
    // Away from the first click, so the two do not make a double click.
    const POINT centre = CentreOf(button);
    ClickAt({centre.x + 30, centre.y});
    ASSERT_EQ(window.commands.size(), 1u);
    EXPECT_EQ(window.commands[0].id, 102);
    EXPECT_EQ(window.commands[0].code, 0);
}

TEST_F(InstallButtonTest, RepaintsGreyWhenUncoveredWhileDisabled) {
    SendMessageW(button, UM_SKIN_STATE, 0, 0);
    // A black window over the button, then gone again.
    RECT place{};
    GetWindowRect(button, &place);
    WNDCLASSW coverClass{};
    coverClass.lpfnWndProc = DefWindowProcW;
    coverClass.hInstance = GetModuleHandleW(nullptr);
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = L"TidewellTestCover";
    RegisterClassW(&coverClass);
    const HWND cover = CreateWindowExW(WS_EX_TOPMOST, L"TidewellTestCover", L"",
                                       WS_POPUP | WS_VISIBLE, place.left - 10, place.top - 10, 140,
                                       60, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return CountInk(CaptureScreen(place), {0, 0, 120, 40}) > 0;
        },
        2000))
        << "the cover never showed";
    DestroyWindow(cover);
    EXPECT_TRUE(ShowsSoon(button, IDB_INSTALL_DISABLED));
    // What uncovering asks of the button on Windows: erase and paint again.
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_TRUE(Shows(button, IDB_INSTALL_DISABLED));
    // Wine copies a window's drawing to the X screen on its own schedule, so the
    // screen is polled rather than read once.
    EXPECT_TRUE(PumpUntil(
        [&] {
            return CountDifferences(CaptureScreen(place), ResourceBitmap(IDB_INSTALL_DISABLED)) ==
                   0;
        },
        kWaitMs))
        << "the screen never showed the grey button";
}

TEST_F(InstallButtonTest, StaysGreyWhenDisabledUnderTheRestingPointer) {
    MovePointerTo(CentreOf(button));
    ASSERT_TRUE(ShowsSoon(button, IDB_INSTALL_HOVER));
    SaveScreenshot(CaptureWindow(button), L"install_button_hover");
    // The agreement box unchecked by keyboard while the pointer rests on the button.
    SendMessageW(button, UM_SKIN_STATE, 0, 0);
    ASSERT_TRUE(Shows(button, IDB_INSTALL_DISABLED));
    ParkPointer();
    PumpFor(150); // the leave notification arrives meanwhile
    EXPECT_TRUE(Shows(button, IDB_INSTALL_DISABLED)) << "leaving made it look usable";
    EXPECT_TRUE(CursorIs(IDC_ARROW));
    // Moving over it again asks for no hover: no hand, no blue.
    MovePointerTo(CentreOf(button));
    PumpFor(200);
    EXPECT_TRUE(Shows(button, IDB_INSTALL_DISABLED));
    EXPECT_FALSE(CursorIs(IDC_HAND));
}

namespace {
struct ButtonRow {
    const wchar_t* name;
    int id;
    const wchar_t* text;
    int x, y, width, height;
    WNDPROC proc;
    WORD normal;
    WORD hover;
    WORD picture; // page picture behind it
};

const ButtonRow kButtons[] = {
    {L"close", 101, L"", 535, 0, 34, 22, CloseButtonProc, IDB_CLOSE, IDB_CLOSE_HOVER,
     IDB_AGREE_PICTURE},
    {L"minimize", 114, L"", 495, 0, 34, 22, MinimizeButtonProc, IDB_MINIMIZE, IDB_MINIMIZE_HOVER,
     IDB_AGREE_PICTURE},
    {L"install", 102, L"一键安装", 220, 278, 120, 40, InstallButtonProc, IDB_INSTALL,
     IDB_INSTALL_HOVER, IDB_AGREE_PICTURE},
    {L"finish", 106, L"完成", 230, 260, 120, 40, FinishButtonProc, IDB_FINISH, IDB_FINISH_HOVER,
     IDB_DONE_PICTURE},
    {L"tencent_share", 107, L"", 220, 175, 90, 24, TencentShareButtonProc, IDB_TENCENT_SHARE,
     IDB_TENCENT_SHARE_HOVER, IDB_DONE_PICTURE},
    {L"sina_share", 108, L"", 320, 175, 90, 24, SinaShareButtonProc, IDB_SINA_SHARE,
     IDB_SINA_SHARE_HOVER, IDB_DONE_PICTURE},
};
} // namespace

// Every button: normal at rest, hover bitmap and hand after the pointer rests on
// it, a repaint under the pointer shows normal again, leaving restores normal and
// the arrow, and a click reaches the parent with the button's id and code 0.
TEST_F(SkinButtonTest, HoverLeaveAndClickOnEveryButton) {
    for (const ButtonRow& row : kButtons) {
        SCOPED_TRACE(testing::Message() << "button " << row.id);
        WizardStandIn window(row.picture);
        const HWND button = window.AddControl(row.id, row.text, kNotifyStatic, row.x, row.y,
                                              row.width, row.height, row.proc);
        ASSERT_TRUE(ShowsSoon(button, row.normal));
        SaveScreenshot(CaptureWindow(button), std::wstring(row.name) + L"_normal");

        MovePointerTo(CentreOf(button));
        ASSERT_TRUE(ShowsSoon(button, row.hover));
        EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_HAND); }, kWaitMs));
        SaveScreenshot(CaptureWindow(button), std::wstring(row.name) + L"_hover");

        RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_TRUE(Shows(button, row.normal)) << "a repaint must show the resting bitmap";

        ParkPointer();
        EXPECT_TRUE(ShowsSoon(button, row.normal));
        EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_ARROW); }, kWaitMs));

        ClickAt(CentreOf(button));
        ASSERT_EQ(window.commands.size(), 1u);
        EXPECT_EQ(window.commands[0].id, row.id);
        EXPECT_EQ(window.commands[0].code, 0);
        ParkPointer();
    }
}

TEST_F(SkinButtonTest, ShareButtonsLookTheSameHovered) {
    EXPECT_EQ(CountDifferences(ResourceBitmap(IDB_TENCENT_SHARE),
                               ResourceBitmap(IDB_TENCENT_SHARE_HOVER)),
              0);
    EXPECT_EQ(
        CountDifferences(ResourceBitmap(IDB_SINA_SHARE), ResourceBitmap(IDB_SINA_SHARE_HOVER)), 0);
    EXPECT_NE(CountDifferences(ResourceBitmap(IDB_CLOSE), ResourceBitmap(IDB_CLOSE_HOVER)), 0);
}

// The slideshow draws over the picture area, which the close and minimize buttons
// cover; the skin-state message they then get brings their own bitmaps back.
TEST_F(SkinButtonTest, CloseAndMinimizeComeBackAfterASlideIsDrawnOverThem) {
    WizardStandIn window(IDB_AGREE_PICTURE);
    const HWND close = window.AddControl(101, L"", kNotifyStatic, 535, 0, 34, 22, CloseButtonProc);
    const HWND minimize =
        window.AddControl(114, L"", kNotifyStatic, 495, 0, 34, 22, MinimizeButtonProc);
    ASSERT_TRUE(ShowsSoon(close, IDB_CLOSE));
    ASSERT_TRUE(ShowsSoon(minimize, IDB_MINIMIZE));
    {
        // As the slideshow tick does: straight into the window's device context.
        const HBITMAP slide = static_cast<HBITMAP>(LoadImageW(
            GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_DONE_PICTURE), IMAGE_BITMAP, 0, 0, 0));
        const HDC dc = GetWindowDC(window.hwnd());
        DrawSlideBitmap(slide, dc);
        ReleaseDC(window.hwnd(), dc);
        DeleteObject(slide);
    }
    ASSERT_FALSE(Shows(close, IDB_CLOSE)) << "the slide did not cover the button";
    PostMessageW(close, UM_SKIN_STATE, 0, 0);
    PostMessageW(minimize, UM_SKIN_STATE, 0, 0);
    EXPECT_TRUE(ShowsSoon(close, IDB_CLOSE));
    EXPECT_TRUE(ShowsSoon(minimize, IDB_MINIMIZE));
    SaveScreenshot(CaptureWindow(window.hwnd()), L"slide_with_window_buttons");
}
