#include "app/wizard_pages.h"

#include <commctrl.h>

#include <initializer_list>
#include <iterator>

#include "app/control_ids.h"
#include "core/app_object.h"
#include "core/messages.h"
#include "core/pages.h"
#include "install/install_path.h"
#include "ui/retry_banner.h"
#include "ui/skin_scale.h"
#include "ui/skin_buttons.h"
#include "ui/subclassing.h"
#include "ui/text_controls.h"

namespace {
constexpr DWORD kSkinStyle = WS_CHILD | WS_VISIBLE | SS_NOTIFY;                        // 0x50000100
constexpr DWORD kCheckboxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX; // 0x50010003
constexpr DWORD kProgressStyle = WS_CHILD | WS_VISIBLE | PBS_SMOOTH;                   // 0x50000001
constexpr DWORD kBannerStyle = WS_CHILD | WS_VISIBLE | SS_ENDELLIPSIS;                 // 0x50004000
constexpr DWORD kTooltipStyle = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON; // 0x80000043

struct Place { // at 96 DPI
    int x, y, width, height;
};
constexpr Place kDefaultPlace{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};

enum class Setup { None, Checked, ProgressRange };

// One bit per page: bit n set = shown on page n.
constexpr unsigned Pages(std::initializer_list<int> pages) {
    unsigned bits = 0;
    for (int page : pages) {
        bits |= 1u << page;
    }
    return bits;
}
constexpr unsigned kAllPages = (1u << kPageCount) - 1;
constexpr unsigned kNoPage = 0;
// The tooltip windows are never shown or hidden by the page switch.
constexpr unsigned kNotSwitched = ~0u;

struct ControlRow {
    ChildControl* VBindCallback::*field;
    int id; // 0: none (the tooltips, which the main window owns rather than parents)
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    Place place;
    WNDPROC proc; // nullptr: a standard control, not subclassed
    Setup setup;
    unsigned shownOn; // the pages the control is visible on
};

// The one list of the main window's controls: what each is, where it stands, and on
// which pages it shows. A page is nothing but this set of visible controls plus its
// painting rules. Creation order matters: it is also the z-order of overlapping
// controls, and the order the page switch walks them in.
// clang-format off
constexpr ControlRow kRows[] = {
    {&VBindCallback::closeButton, ID_CLOSE, L"STATIC", L"", kSkinStyle, {535, 0, 34, 22},
     CloseButtonProc, Setup::None, kAllPages},
    {&VBindCallback::installButton, ID_START_INSTALL, L"STATIC", L"一键安装", kSkinStyle,
     {220, 278, 120, 40}, InstallButtonProc, Setup::None, Pages({PAGE_AGREE})},
    {&VBindCallback::agreeCheck, ID_AGREE_CHECK, L"BUTTON", L"", kCheckboxStyle, {10, 340, 24, 24},
     nullptr, Setup::Checked, Pages({PAGE_AGREE})},
    {&VBindCallback::agreementLink, ID_AGREEMENT, L"STATIC", L"许可协议", kSkinStyle,
     {68, 344, 50, 18}, AgreementLinkProc, Setup::None, Pages({PAGE_AGREE})},
    {&VBindCallback::changeFolderLink, ID_CHANGE_FOLDER, L"STATIC", L"更改", kSkinStyle,
     {510, 290, 32, 18}, ChangeFolderLinkProc, Setup::None, Pages({PAGE_AGREE})},
    {&VBindCallback::cancelLink, ID_CANCEL, L"STATIC", L"取消", kSkinStyle, {510, 290, 32, 18},
     CancelLinkProc, Setup::None, Pages({PAGE_DOWNLOAD, PAGE_VERIFY})},
    {&VBindCallback::progressBar, ID_PROGRESS_BAR, PROGRESS_CLASSW, L"", kProgressStyle,
     {30, 290, 440, 20}, nullptr, Setup::ProgressRange,
     Pages({PAGE_DOWNLOAD, PAGE_OFFLINE, PAGE_INSTALL, PAGE_REMOVE_OLD, PAGE_VERIFY})},
    {&VBindCallback::finishButton, ID_FINISH, L"STATIC", L"完成", kSkinStyle, {230, 260, 120, 40},
     FinishButtonProc, Setup::None, Pages({PAGE_DONE})},
    {&VBindCallback::tencentShareButton, ID_TENCENT_SHARE, L"STATIC", L"", kSkinStyle,
     {220, 175, 90, 24}, TencentShareButtonProc, Setup::None, Pages({PAGE_DONE})},
    {&VBindCallback::sinaShareButton, ID_SINA_SHARE, L"STATIC", L"", kSkinStyle, {320, 175, 90, 24},
     SinaShareButtonProc, Setup::None, Pages({PAGE_DONE})},
    {&VBindCallback::cleanupCheck, ID_CLEANUP_CHECK, L"BUTTON", L"", kCheckboxStyle,
     {180, 320, 24, 24}, nullptr, Setup::Checked, kNoPage},
    {&VBindCallback::retryBanner, ID_RETRY_BANNER, L"STATIC", L"", kBannerStyle, {166, 30, 240, 235},
     RetryBannerProc, Setup::None, Pages({PAGE_OFFLINE})},
    {&VBindCallback::folderLabel, ID_FOLDER_LABEL, L"STATIC", L"", kSkinStyle, {354, 290, 150, 20},
     FolderLabelProc, Setup::None, Pages({PAGE_AGREE})},
    {&VBindCallback::minimizeButton, ID_MINIMIZE, L"STATIC", L"", kSkinStyle, {495, 0, 34, 22},
     MinimizeButtonProc, Setup::None, kAllPages},
    {&VBindCallback::folderLabelTip, 0, TOOLTIPS_CLASSW, nullptr, kTooltipStyle, kDefaultPlace,
     nullptr, Setup::None, kNotSwitched},
    {&VBindCallback::changeFolderTip, 0, TOOLTIPS_CLASSW, nullptr, kTooltipStyle, kDefaultPlace,
     nullptr, Setup::None, kNotSwitched},
};
// clang-format on

// Every control field of the Application object has exactly one row.
constexpr bool EachFieldAndIdOnce() {
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        for (std::size_t j = i + 1; j < std::size(kRows); ++j) {
            if (kRows[i].field == kRows[j].field ||
                (kRows[i].id != 0 && kRows[i].id == kRows[j].id)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(std::size(kRows) == 16 && EachFieldAndIdOnce());

bool HasPlace(const ControlRow& row) {
    return row.place.x != CW_USEDEFAULT;
}

// A row's place at the skin's DPI, its edges scaled; the tooltips' default place as is.
RECT ScaledPlace(const ControlRow& row) {
    const Place& place = row.place;
    if (!HasPlace(row)) {
        return RECT{place.x, place.y, place.width, place.height};
    }
    const RECT scaled =
        SkinRect(RECT{place.x, place.y, place.x + place.width, place.y + place.height});
    return RECT{scaled.left, scaled.top, scaled.right - scaled.left, scaled.bottom - scaled.top};
}

constexpr RECT kStatusLine{34, 331, 250, 360}; // at 96 DPI

ChildControl* CreateRow(HWND mainHwnd, const ControlRow& row) {
    auto* record = new ChildControl;
    const RECT place = ScaledPlace(row); // x, y, width, height
    // A tooltip is a popup: the main window becomes its owner rather than its parent.
    record->hwnd = CreateWindowExW(0, row.className, row.text, row.style, place.left, place.top,
                                   place.right, place.bottom, mainHwnd,
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
} // namespace

void CreateChildControls(HWND mainHwnd) {
    changeFolderLockProbe = HasInstallPath; // an earlier installation fixes the folder
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes); // registers the progress bar and tooltip classes
    VBindCallback* app = GetApp();
    for (const ControlRow& row : kRows) {
        app->*row.field = CreateRow(mainHwnd, row);
    }
    SendMessageW(app->folderLabel->hwnd, UM_SET_TOOLTIP,
                 reinterpret_cast<WPARAM>(app->folderLabelTip->hwnd), 0);
    SendMessageW(app->changeFolderLink->hwnd, UM_SET_TOOLTIP,
                 reinterpret_cast<WPARAM>(app->changeFolderTip->hwnd), 0);
}

void LayOutChildControls() {
    VBindCallback* app = GetApp();
    for (const ControlRow& row : kRows) {
        const ChildControl* record = app->*row.field;
        if (!HasPlace(row) || record == nullptr) {
            continue;
        }
        const RECT place = ScaledPlace(row);
        SetWindowPos(record->hwnd, nullptr, place.left, place.top, place.right, place.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!IsRectEmpty(&app->statusRect)) {
        app->statusRect = SkinRect(kStatusLine);
    }
}

void ShowPage(int page) {
    VBindCallback* app = GetApp();
    for (const ControlRow& row : kRows) {
        ChildControl* record = app->*row.field;
        if (row.shownOn == kNotSwitched || record == nullptr) {
            continue;
        }
        const bool shown = page >= 0 && page < kPageCount && ((row.shownOn >> page) & 1u) != 0;
        ShowWindow(record->hwnd, shown ? SW_SHOW : SW_HIDE);
    }
    if (page == PAGE_DOWNLOAD) {
        app->statusRect = SkinRect(kStatusLine);
    }
}

void FreeControlRecords(VBindCallback& app) {
    for (const ControlRow& row : kRows) {
        delete (app.*row.field);
        app.*row.field = nullptr;
    }
}
