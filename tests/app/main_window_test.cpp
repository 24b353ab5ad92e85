// The main window built in the test's own process: its sixteen controls, the page
// switch, the status-line rectangle and the quit sequence's clean-up of the records.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <thread>
#include <vector>

#include "app/quit.h"
#include "app/startup.h"
#include "app/wizard_pages.h"
#include "core/app_object.h"
#include "core/messages.h"
#include "core/working_paths.h"
#include "net/installer_check.h"

namespace {

struct ExpectedControl {
    ChildControl* VBindCallback::*field;
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    RECT rect;           // left, top, right, bottom in the main window
    const char* shownOn; // one character per page 0..6
    bool subclassed;
};

// One row per control: kept as the layout table it is.
// clang-format off
// Pages: agree, download, offline, install, done, remove-old, verify.
const ExpectedControl kControls[] = {
    {&VBindCallback::closeButton, 101, L"Static", L"", 0x50000100, {535, 0, 569, 22}, "SSSSSSS", true},
    {&VBindCallback::installButton, 102, L"Static", L"一键安装", 0x50000100, {220, 278, 340, 318}, "S......", true},
    {&VBindCallback::agreeCheck, 103, L"Button", L"", 0x50010003, {10, 340, 34, 364}, "S......", false},
    {&VBindCallback::agreementLink, 111, L"Static", L"许可协议", 0x50000100, {68, 344, 118, 362}, "S......", true},
    {&VBindCallback::changeFolderLink, 104, L"Static", L"更改", 0x50000100, {510, 290, 542, 308}, "S......", true},
    {&VBindCallback::cancelLink, 105, L"Static", L"取消", 0x50000100, {510, 290, 542, 308}, ".S....S", true},
    {&VBindCallback::progressBar, 10000, L"msctls_progress32", L"", 0x50000001, {30, 290, 470, 310}, ".SSS.SS", false},
    {&VBindCallback::finishButton, 106, L"Static", L"完成", 0x50000100, {230, 260, 350, 300}, "....S..", true},
    {&VBindCallback::tencentShareButton, 107, L"Static", L"", 0x50000100, {220, 175, 310, 199}, "....S..", true},
    {&VBindCallback::sinaShareButton, 108, L"Static", L"", 0x50000100, {320, 175, 410, 199}, "....S..", true},
    {&VBindCallback::cleanupCheck, 109, L"Button", L"", 0x50010003, {180, 320, 204, 344}, ".......", false},
    {&VBindCallback::retryBanner, 110, L"Static", L"", 0x50004000, {166, 30, 406, 265}, "..S....", true},
    {&VBindCallback::folderLabel, 112, L"Static", L"", 0x50000100, {354, 290, 504, 310}, "S......", true},
    {&VBindCallback::minimizeButton, 114, L"Static", L"", 0x50000100, {495, 0, 529, 22}, "SSSSSSS", true},
};
// clang-format on

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        lstrcpyW(windowClassName, L"TIDEWELL");
        lstrcpyW(windowTitle, L"Tidewell");
        RegisterMainWindowClass(instance);
        ASSERT_EQ(CreateMainWindow(instance, SW_SHOW), 1);
    }

    static HWND Main() { return GetApp()->mainWindow; }

    static std::wstring ClassOf(HWND hwnd) {
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        return name;
    }

    static RECT PlaceOf(HWND hwnd) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

TEST_F(MainWindow, CreatesTheSixteenControlsAsLaidOut) {
    VBindCallback* app = GetApp();
    for (const ExpectedControl& expected : kControls) {
        ChildControl* record = app->*expected.field;
        ASSERT_NE(record, nullptr) << expected.id;
        HWND hwnd = record->hwnd;
        ASSERT_EQ(GetDlgItem(Main(), expected.id), hwnd) << expected.id;
        EXPECT_EQ(lstrcmpiW(ClassOf(hwnd).c_str(), expected.className), 0) << expected.id;
        wchar_t text[32] = {};
        GetWindowTextW(hwnd, text, 32);
        EXPECT_STREQ(text, expected.text) << expected.id;
        const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        EXPECT_EQ(style & ~WS_VISIBLE, expected.style & ~WS_VISIBLE) << expected.id;
        const RECT place = PlaceOf(hwnd);
        EXPECT_EQ(place.left, expected.rect.left) << expected.id;
        EXPECT_EQ(place.top, expected.rect.top) << expected.id;
        EXPECT_EQ(place.right, expected.rect.right) << expected.id;
        EXPECT_EQ(place.bottom, expected.rect.bottom) << expected.id;
        // Subclassed controls keep their previous procedure in the user-data slot.
        if (expected.subclassed) {
            EXPECT_NE(record->previousProc, nullptr) << expected.id;
            EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)),
                      record->previousProc)
                << expected.id;
            EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)),
                      record->previousProc)
                << expected.id << ": the procedure was not replaced";
        }
    }
    EXPECT_EQ(SendMessageW(app->agreeCheck->hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(app->cleanupCheck->hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(app->progressBar->hwnd, PBM_GETRANGE, FALSE, 0), 200);
    EXPECT_EQ(ClassOf(app->folderLabelTip->hwnd), L"tooltips_class32");
    EXPECT_EQ(ClassOf(app->changeFolderTip->hwnd), L"tooltips_class32");
    EXPECT_EQ(GetWindow(app->folderLabelTip->hwnd, GW_OWNER), Main());
}

TEST_F(MainWindow, EveryPageShowsExactlyItsControls) {
    VBindCallback* app = GetApp();
    EXPECT_EQ(app->page.load(), PAGE_AGREE);
    for (int page = 0; page < kPageCount; ++page) {
        app->page.store(page);
        ShowPage(page);
        for (const ExpectedControl& expected : kControls) {
            const bool shown = IsWindowVisible((app->*expected.field)->hwnd) != FALSE;
            EXPECT_EQ(shown, expected.shownOn[page] == 'S')
                << "control " << expected.id << " on page " << page;
        }
    }
    app->page.store(PAGE_AGREE);
    ShowPage(PAGE_AGREE);
}

TEST_F(MainWindow, StatusLineRectangleIsSetByTheDownloadPageAndKept) {
    VBindCallback* app = GetApp();
    ShowPage(PAGE_DOWNLOAD);
    ShowPage(PAGE_INSTALL);
    EXPECT_EQ(app->statusRect.left, 34);
    EXPECT_EQ(app->statusRect.top, 331);
    EXPECT_EQ(app->statusRect.right, 250);
    EXPECT_EQ(app->statusRect.bottom, 360);
    ShowPage(PAGE_AGREE);
}

TEST_F(MainWindow, ApplicationObjectIsOneAndStartsEmpty) {
    VBindCallback* seen[4] = {};
    std::vector<std::thread> threads;
    for (auto& slot : seen) {
        threads.emplace_back([&slot] { slot = GetApp(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (VBindCallback* app : seen) {
        EXPECT_EQ(app, GetApp());
    }
    EXPECT_TRUE(GetApp()->expectedMd5.Get().empty());
    EXPECT_EQ(GetApp()->cacheBustPending.load(), 1);
}

// A big working file that a verification is reading: the user closes in the middle.
std::wstring InstallerUnderVerification() {
    const std::wstring installer = GetInstallerFilePath();
    HANDLE file =
        CreateFileW(installer.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<char> block(1 << 20, 'x');
    for (int i = 0; i < 256 && file != INVALID_HANDLE_VALUE; ++i) {
        DWORD written = 0;
        WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    }
    CloseHandle(file);
    EXPECT_TRUE(StartVerification(GetApp()->mainWindow, 1));
    // The verification holds the file against writers from the moment it opens it.
    const ULONGLONG deadline = GetTickCount64() + 10000;
    for (;;) {
        HANDLE writer = CreateFileW(installer.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (writer == INVALID_HANDLE_VALUE || GetTickCount64() > deadline) {
            break;
        }
        CloseHandle(writer);
        Sleep(1);
    }
    return installer;
}

// Runs last: the quit sequence frees every control record, ignores later reports, and
// leaves no working file even while a verification reads the installer.
TEST_F(MainWindow, ZQuitFreesTheRecordsAndLaterReportsAreIgnored) {
    const std::wstring installer = InstallerUnderVerification();
    SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(101, 0), 0); // close on the agreement page
    FinishQuitting(); // what start-up does once the message loop has ended
    EXPECT_EQ(GetFileAttributesW(installer.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the installer file stayed behind";
    VBindCallback* app = GetApp();
    EXPECT_EQ(app->quitRequested.load(), 1);
    for (const ExpectedControl& expected : kControls) {
        EXPECT_EQ(app->*expected.field, nullptr) << expected.id;
    }
    EXPECT_EQ(app->folderLabelTip, nullptr);
    EXPECT_EQ(app->changeFolderTip, nullptr);
    // A late report would use freed records if it were handled.
    SendMessageW(Main(), UM_INSTALL_DONE, 0, 0);
    SendMessageW(Main(), UM_NET_STATE, 0, 0);
    EXPECT_EQ(app->page.load(), PAGE_AGREE);
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

} // namespace
