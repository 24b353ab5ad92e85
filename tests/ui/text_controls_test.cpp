// The change-folder link, agreement link, cancel link and folder label, created on
// a stand-in window the way the wizard creates them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/messages.h"
#include "res/resource.h"
#include "ui/control_font.h"
#include "install/install_path.h"
#include "ui/text_controls.h"
#include "ui_test_support.h"

// The texts' colours as users see them.
static_assert(kGreyText == RGB(175, 175, 175) && kLinkBlue == RGB(0, 0, 255));

namespace {
constexpr DWORD kWaitMs = 3000;
constexpr wchar_t kProductKey[] = L"Software\\Halvesta\\LMD";
constexpr wchar_t kNotice[] = L"您已经安装过Lumo工作台，只能默认安装到原来的目录";

bool CursorIs(LPCWSTR id) {
    return GetCursor() == LoadCursorW(nullptr, id);
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[1024] = {};
    SendMessageW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

// Independent reference: what the small font draws for these texts on white.
Pixels Reference(int width, int height, COLORREF colour,
                 std::initializer_list<std::pair<int, std::wstring>> pieces) {
    return RenderInto(width, height, [&](HDC dc) {
        const HFONT font = CreateControlFont(kSmallFontHeight);
        const HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, colour);
        for (const auto& [x, text] : pieces) {
            TextOutW(dc, x, 0, text.c_str(), static_cast<int>(text.size()));
        }
        SelectObject(dc, old);
        DeleteObject(font);
    });
}

void SetInstallPath(const wchar_t* folder) {
    HKEY key = nullptr;
    if (folder == nullptr) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_SET_VALUE, &key) == 0) {
            RegDeleteValueW(key, L"InstallPath");
            RegCloseKey(key);
        }
        return;
    }
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              0);
    RegSetValueExW(key, L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   static_cast<DWORD>((wcslen(folder) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

RECT ScreenRectOf(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// The balloon with some surroundings, for a screenshot.
void SaveBalloonShot(HWND control, HWND tip, const std::wstring& name) {
    PumpFor(300); // what the balloon uncovered when it moved is repainted meanwhile
    const RECT a = ScreenRectOf(control);
    const RECT b = ScreenRectOf(tip);
    const RECT all{std::min(a.left, b.left) - 10, std::min(a.top, b.top) - 10,
                   std::max(a.right, b.right) + 10, std::max(a.bottom, b.bottom) + 10};
    SaveScreenshot(CaptureScreen(all), name);
}

class TextControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ParkPointer();
        changeFolderLockProbe = HasInstallPath; // as the main window hands it over
    }
    void TearDown() override {
        ParkPointer();
        SetInstallPath(nullptr);
    }
    WizardStandIn window{IDB_AGREE_PICTURE};
};

class FolderLabelTest : public TextControlTest {
protected:
    void SetUp() override {
        TextControlTest::SetUp();
        label = window.AddControl(112, L"", kNotifyStatic, 354, 290, 150, 20, FolderLabelProc);
        tip = window.AddTooltip();
        SendMessageW(label, UM_SET_TOOLTIP, reinterpret_cast<WPARAM>(tip), 0);
    }
    void SetText(const std::wstring& text) {
        SendMessageW(label, UM_SET_FOLDER_TEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        UpdateWindow(label);
    }
    bool BalloonShows() {
        MovePointerTo(CentreOf(label));
        return PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }, 1000);
    }
    HWND label = nullptr;
    HWND tip = nullptr;
};
} // namespace

TEST_F(FolderLabelTest, TwentyUnitsAreDrawnWholeWithoutBalloon) {
    const std::wstring text = L"D:\\Program Files\\Lum"; // 20 units
    ASSERT_EQ(text.size(), 20u);
    SetText(text);
    const Pixels shown = CaptureWindow(label);
    EXPECT_EQ(CountDifferences(shown, Reference(150, 20, kGreyText, {{0, text}})), 0);
    EXPECT_EQ(folderLabelCut, 0);
    SaveScreenshot(shown, L"folder_label_20");
    EXPECT_FALSE(BalloonShows());
}

TEST_F(FolderLabelTest, TwentyOneUnitsAreCutWithTheWholeTextInTheBalloon) {
    const std::wstring text = L"D:\\Program Files\\Lumo"; // 21 units
    SetText(text);
    const Pixels shown = CaptureWindow(label);
    EXPECT_EQ(CountDifferences(
                  shown, Reference(150, 20, kGreyText, {{0, text.substr(0, 20)}, {125, L"..."}})),
              0);
    EXPECT_EQ(folderLabelCut, 1);
    SaveScreenshot(shown, L"folder_label_21_cut");

    ASSERT_TRUE(BalloonShows());
    EXPECT_EQ(WindowText(tip), text);
    // Above and right of the label.
    const RECT labelRect = ScreenRectOf(label);
    const RECT tipRect = ScreenRectOf(tip);
    EXPECT_EQ(tipRect.left, labelRect.left + 30);
    EXPECT_EQ(tipRect.top, labelRect.top - 50);
    EXPECT_FALSE(CursorIs(IDC_HAND)) << "the label keeps the arrow";
    SaveBalloonShot(label, tip, L"folder_label_balloon");

    ParkPointer();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(tip); }, kWaitMs));
}

TEST_F(FolderLabelTest, KeepsAtMost259UnitsAndAlwaysTheLatestText) {
    SetText(std::wstring(300, L'x'));
    ASSERT_TRUE(BalloonShows());
    EXPECT_EQ(WindowText(tip), std::wstring(259, L'x'));
    ParkPointer();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(tip); }, kWaitMs));

    // The user picks another folder: the balloon must not keep the first text.
    const std::wstring chosen = L"E:\\Tools\\Vantrel\\Lumo工作台\\Workspace";
    SetText(chosen);
    ASSERT_TRUE(BalloonShows());
    EXPECT_EQ(WindowText(tip), chosen);

    // A short text after a long one leaves nothing of the long one behind.
    SetText(L"C:\\Lumo");
    EXPECT_EQ(std::wstring(folderLabelBuffer), L"C:\\Lumo");
    EXPECT_EQ(
        CountDifferences(CaptureWindow(label), Reference(150, 20, kGreyText, {{0, L"C:\\Lumo"}})),
        0);
}

TEST_F(FolderLabelTest, ANullTextEmptiesTheLabel) {
    SetText(L"D:\\Program Files\\Lumo工作台");
    SendMessageW(label, UM_SET_FOLDER_TEXT, 0, 0);
    UpdateWindow(label);
    EXPECT_EQ(folderLabelBuffer[0], L'\0');
    EXPECT_EQ(CountInk(CaptureWindow(label), {0, 0, 150, 20}, kWhite, 0), 0);
}

TEST_F(TextControlTest, ChangeFolderLinkIsGreyAndLockedWhenInstalledBefore) {
    const HWND link =
        window.AddControl(104, L"更改", kNotifyStatic, 510, 290, 32, 18, ChangeFolderLinkProc);
    const HWND tip = window.AddTooltip();
    SendMessageW(link, UM_SET_TOOLTIP, reinterpret_cast<WPARAM>(tip), 0);

    SetInstallPath(L"D:\\Program Files\\Lumo");
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pixels shown = CaptureWindow(link);
    EXPECT_EQ(changeFolderLocked, 1);
    EXPECT_GT(CountColour(shown, {0, 0, 32, 18}, Rgb(175, 175, 175), 10), 0);
    EXPECT_EQ(CountColour(shown, {0, 0, 32, 18}, Rgb(0, 0, 255), 60), 0);
    EXPECT_EQ(CountDifferences(shown, Reference(32, 18, kGreyText, {{0, L"更改"}})), 0);
    SaveScreenshot(shown, L"change_folder_link_locked");

    MovePointerTo(CentreOf(link));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }, kWaitMs));
    EXPECT_EQ(WindowText(tip), kNotice);
    EXPECT_FALSE(CursorIs(IDC_HAND)) << "a locked link must not invite a click";
    SaveBalloonShot(link, tip, L"change_folder_link_balloon");
    ParkPointer();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(tip); }, kWaitMs));
    EXPECT_TRUE(CursorIs(IDC_ARROW));

    // Not installed before: blue, the hand, no balloon.
    SetInstallPath(nullptr);
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    shown = CaptureWindow(link);
    EXPECT_EQ(changeFolderLocked, 0);
    EXPECT_EQ(CountDifferences(shown, Reference(32, 18, kLinkBlue, {{0, L"更改"}})), 0);
    SaveScreenshot(shown, L"change_folder_link_open");
    MovePointerTo(CentreOf(link));
    EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_HAND); }, kWaitMs));
    PumpFor(100);
    EXPECT_FALSE(IsWindowVisible(tip));
    ParkPointer();
    EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_ARROW); }, kWaitMs));
}

TEST_F(TextControlTest, AgreementLinkReadsUserLicenceInBlueWithTheHand) {
    const HWND link =
        window.AddControl(111, L"许可协议", kNotifyStatic, 68, 344, 50, 18, AgreementLinkProc);
    for (int i = 0; i < 5; ++i) {
        // Repainted alone, as when a balloon or dialog over it goes away.
        RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    const Pixels shown = CaptureWindow(link);
    EXPECT_EQ(CountDifferences(shown, Reference(50, 18, kLinkBlue, {{0, L"用户许可"}})), 0);
    EXPECT_NE(CountDifferences(shown, Reference(50, 18, kLinkBlue, {{0, L"许可协议"}})), 0);
    SaveScreenshot(shown, L"agreement_link");

    MovePointerTo(CentreOf(link));
    EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_HAND); }, kWaitMs));
    ParkPointer();
    EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_ARROW); }, kWaitMs));
    ClickAt(CentreOf(link));
    ASSERT_EQ(window.commands.size(), 1u);
    EXPECT_EQ(window.commands[0].id, 111);
    EXPECT_EQ(window.commands[0].code, 0);
}

// The cancel link's text is the static control's own, in the window's colours;
// only the cursor is managed.
TEST_F(TextControlTest, CancelLinkIsPaintedByTheStaticAndShowsTheHand) {
    const HWND link =
        window.AddControl(105, L"取消", kNotifyStatic, 510, 290, 32, 18, CancelLinkProc);
    const Pixels shown = CaptureWindow(link);
    EXPECT_EQ(CountDifferences(shown, Reference(32, 18, RGB(0, 0, 255), {{0, L"取消"}})), 0);
    SaveScreenshot(shown, L"cancel_link");

    MovePointerTo(CentreOf(link));
    EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_HAND); }, kWaitMs));
    ParkPointer();
    EXPECT_TRUE(PumpUntil([] { return CursorIs(IDC_ARROW); }, kWaitMs));
}

// The agreement page's lower strip with its text controls, as one screenshot.
TEST_F(TextControlTest, AgreementPageStrip) {
    window.AddControl(111, L"许可协议", kNotifyStatic, 68, 344, 50, 18, AgreementLinkProc);
    window.AddControl(104, L"更改", kNotifyStatic, 510, 290, 32, 18, ChangeFolderLinkProc);
    const HWND label =
        window.AddControl(112, L"", kNotifyStatic, 354, 290, 150, 20, FolderLabelProc);
    const std::wstring folder = L"D:\\Program Files\\Lumo工作台";
    SendMessageW(label, UM_SET_FOLDER_TEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    PumpUntil(
        [&] {
            return CountInk(CaptureWindow(window.hwnd()), {354, 290, 504, 310}) > 0;
        },
        2000);
    const Pixels page = CaptureWindow(window.hwnd());
    EXPECT_GT(CountInk(page, {354, 290, 504, 310}), 0);
    SaveScreenshot(page, L"agreement_page_text_controls");
}
