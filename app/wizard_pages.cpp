#include "app/wizard_pages.h"

#include <commctrl.h>

#include <iterator>

#include "app/app_object.h"
#include "app/messages.h"
#include "app/page_layout.h"
#include "ui/retry_banner.h"
#include "ui/skin_buttons.h"
#include "ui/text_controls.h"
#include "ui/subclassing.h"

namespace {
constexpr DWORD kSkinStyle = WS_CHILD | WS_VISIBLE | SS_NOTIFY;                        // 0x50000100
constexpr DWORD kCheckboxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX; // 0x50010003
constexpr DWORD kProgressStyle = WS_CHILD | WS_VISIBLE | PBS_SMOOTH;                   // 0x50000001
constexpr DWORD kBannerStyle = WS_CHILD | WS_VISIBLE | SS_ENDELLIPSIS;                 // 0x50004000
constexpr DWORD kTooltipStyle = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON; // 0x80000043

struct Place {
    int x, y, width, height;
};

enum class Setup { None, Checked, ProgressRange };

struct ControlRow {
    ChildControl* VBindCallback::*field;
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    Place place;
    WNDPROC proc; // nullptr: a standard control, not subclassed
    Setup setup = Setup::None;
};

// One row per control: kept as the layout table it is.
// clang-format off
// Creation order matters: it is also the z-order of overlapping controls.
const ControlRow kRows[] = {
    {&VBindCallback::closeButton, 101, L"STATIC", L"", kSkinStyle, {535, 0, 34, 22}, CloseButtonProc},
    {&VBindCallback::installButton, 102, L"STATIC", L"一键安装", kSkinStyle, {220, 278, 120, 40},
     InstallButtonProc},
    {&VBindCallback::agreeCheck, 103, L"BUTTON", L"", kCheckboxStyle, {10, 340, 24, 24}, nullptr,
     Setup::Checked},
    {&VBindCallback::agreementLink, 111, L"STATIC", L"许可协议", kSkinStyle, {68, 344, 50, 18},
     AgreementLinkProc},
    {&VBindCallback::changeFolderLink, 104, L"STATIC", L"更改", kSkinStyle, {510, 290, 32, 18},
     ChangeFolderLinkProc},
    {&VBindCallback::cancelLink, 105, L"STATIC", L"取消", kSkinStyle, {510, 290, 32, 18},
     CancelLinkProc},
    {&VBindCallback::progressBar, 10000, PROGRESS_CLASSW, L"", kProgressStyle, {30, 290, 440, 20},
     nullptr, Setup::ProgressRange},
    {&VBindCallback::finishButton, 106, L"STATIC", L"完成", kSkinStyle, {230, 260, 120, 40},
     FinishButtonProc},
    {&VBindCallback::tencentShareButton, 107, L"STATIC", L"", kSkinStyle, {220, 175, 90, 24},
     TencentShareButtonProc},
    {&VBindCallback::sinaShareButton, 108, L"STATIC", L"", kSkinStyle, {320, 175, 90, 24},
     SinaShareButtonProc},
    {&VBindCallback::cleanupCheck, 109, L"BUTTON", L"", kCheckboxStyle, {180, 320, 24, 24}, nullptr,
     Setup::Checked},
    {&VBindCallback::retryBanner, 110, L"STATIC", L"", kBannerStyle, {166, 30, 240, 235},
     RetryBannerProc},
    {&VBindCallback::folderLabel, 112, L"STATIC", L"", kSkinStyle, {354, 290, 150, 20},
     FolderLabelProc},
    {&VBindCallback::minimizeButton, 114, L"STATIC", L"", kSkinStyle, {495, 0, 34, 22},
     MinimizeButtonProc},
};
// clang-format on

// The rows stand in the order of the page layout's controls, which ShowPage relies on.
static_assert(std::size(kRows) == kPageControlCount);

ChildControl* CreateRow(HWND mainHwnd, const ControlRow& row) {
    auto* record = new ChildControl;
    record->hwnd = CreateWindowExW(0, row.className, row.text, row.style, row.place.x, row.place.y,
                                   row.place.width, row.place.height, mainHwnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                   InstanceOf(mainHwnd), nullptr);
    if (row.proc != nullptr && record->hwnd != nullptr) {
        // The subclass procedures find the previous procedure in the user-data slot.
        record->previousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(record->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(row.proc)));
        SetWindowLongPtrW(record->hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(record->previousProc));
    }
    if (row.setup == Setup::Checked) {
        SendMessageW(record->hwnd, BM_SETCHECK, BST_CHECKED, 0);
    } else if (row.setup == Setup::ProgressRange) { // download 0..100, installation 100..200
        SendMessageW(record->hwnd, PBM_SETRANGE, 0, MAKELPARAM(0, 200));
    }
    return record;
}

ChildControl* CreateTooltip(HWND mainHwnd) {
    auto* record = new ChildControl;
    record->hwnd = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, kTooltipStyle, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, mainHwnd, nullptr,
                                   InstanceOf(mainHwnd), nullptr);
    return record;
}
} // namespace

void CreateChildControls(HWND mainHwnd) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes); // registers the progress bar and tooltip classes
    VBindCallback* app = GetApp();
    for (const ControlRow& row : kRows) {
        app->*row.field = CreateRow(mainHwnd, row);
    }
    app->folderLabelTip = CreateTooltip(mainHwnd);
    app->changeFolderTip = CreateTooltip(mainHwnd);
    SendMessageW(app->folderLabel->hwnd, UM_SET_TOOLTIP,
                 reinterpret_cast<WPARAM>(app->folderLabelTip->hwnd), 0);
    SendMessageW(app->changeFolderLink->hwnd, UM_SET_TOOLTIP,
                 reinterpret_cast<WPARAM>(app->changeFolderTip->hwnd), 0);
}

void ShowPage(int page) {
    VBindCallback* app = GetApp();
    for (int control = 0; control < kPageControlCount; ++control) {
        ChildControl* record = app->*kRows[control].field;
        if (record != nullptr) {
            ShowWindow(record->hwnd,
                       IsShownOnPage(static_cast<PageControl>(control), page) ? SW_SHOW : SW_HIDE);
        }
    }
    if (page == PAGE_DOWNLOAD) {
        app->statusRect = RECT{34, 331, 250, 360};
    }
}
