#include "ui/text_controls.h"

#include <commctrl.h>

#include "core/gdi_handles.h"
#include "core/messages.h"
#include "ui/control_font.h"
#include "ui/folder_text.h"
#include "ui/skin_scale.h"
#include "ui/subclassing.h"

#include <cwchar>

// State of the change-folder link and the folder label (UI thread only).
bool (*changeFolderLockProbe)() = nullptr;
int changeFolderLocked = 0;
HWND changeFolderTipWindow = nullptr;
wchar_t folderLabelBuffer[kFolderTextCapacity] = {};
int folderLabelCut = 0;
HWND folderLabelTipWindow = nullptr;

namespace {
constexpr wchar_t kChangeFolderText[] = L"更改";
constexpr wchar_t kLockedNotice[] = L"您已经安装过Lumo工作台，只能默认安装到原来的目录";
constexpr wchar_t kEllipsis[] = L"...";
constexpr int kEllipsisX = 125; // at 96 DPI

// A short text in the small font at (0, 0). The control is filled white first: a
// link repainted on its own (a balloon or dialog gone from over it) would otherwise
// draw its anti-aliased text over the last one, darker each time, and a link that
// turned grey would keep its blue underneath.
void DrawSmallText(HDC dc, const RECT& client, COLORREF colour, const wchar_t* text, int length) {
    {
        const ScopedBrush white(CreateSolidBrush(RGB(255, 255, 255)));
        FillRect(dc, &client, white.get());
    }
    const ScopedFont font(CreateControlFont(SkinLength(kSmallFontHeight)));
    SetBkMode(dc, TRANSPARENT);
    const ScopedSelect selected(dc, font.get());
    SetTextColor(dc, colour);
    SetBkColor(dc, RGB(255, 255, 255));
    TextOutW(dc, 0, 0, text, length);
}

// The tool both balloons register: identified by the control's parent, id 0.
TOOLINFOW ToolFor(HWND control, const wchar_t* text) {
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE; // without the reserved last member
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = 0;
    tool.hinst = InstanceOf(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

// Registers the tool afresh and shows its balloon. The old registration goes first:
// the tooltip keeps the first tool it finds under an id, so a second one added on
// top would leave an earlier text showing after the folder changed.
void ShowBalloon(HWND tipWindow, HWND control, const wchar_t* text) {
    TOOLINFOW tool = ToolFor(control, text);
    SendMessageW(tipWindow, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tipWindow, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tipWindow, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

// The links' pointer: the hand once it rests on them, the arrow when it leaves. True
// when the message is answered here and must not be passed on.
bool TrackHandCursor(HWND hwnd, UINT message) {
    switch (message) {
    case WM_SETCURSOR:
        return true; // never the class cursor
    case WM_MOUSEMOVE:
        RequestHoverAndLeave(hwnd);
        return false;
    case WM_MOUSEHOVER:
        ShowSystemCursor(IDC_HAND);
        return false;
    case WM_MOUSELEAVE:
        ShowSystemCursor(IDC_ARROW);
        return false;
    default:
        return false;
    }
}

void HideBalloon(HWND tipWindow) {
    if (tipWindow != nullptr) {
        SendMessageW(tipWindow, TTM_TRACKACTIVATE, FALSE, 0);
    }
}
} // namespace

void PaintChangeFolderLink(HDC dc, const RECT& client, bool locked) {
    DrawSmallText(dc, client, locked ? kGreyText : kLinkBlue, kChangeFolderText,
                  static_cast<int>(wcslen(kChangeFolderText)));
}

void PaintAgreementLink(HDC dc, const RECT& client) {
    DrawSmallText(dc, client, kLinkBlue, kAgreementLinkText,
                  static_cast<int>(wcslen(kAgreementLinkText)));
}

bool PaintFolderLabel(HDC dc, const RECT& client, const wchar_t* text) {
    const ScopedBrush white(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(dc, &client, white.get());
    const ScopedFont font(CreateControlFont(SkinLength(kSmallFontHeight)));
    const ScopedSelect selected(dc, font.get());
    SetTextColor(dc, kGreyText);
    SetBkMode(dc, TRANSPARENT);
    const FolderLabelLayout layout = LayOutFolderLabel(wcsnlen(text, kFolderTextCapacity));
    TextOutW(dc, 0, 0, text, static_cast<int>(layout.shownUnits));
    if (layout.cut) {
        TextOutW(dc, SkinLength(kEllipsisX), 0, kEllipsis, static_cast<int>(wcslen(kEllipsis)));
    }
    return layout.cut;
}

LRESULT CALLBACK ChangeFolderLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        // Locked or not is decided afresh at every paint.
        changeFolderLocked = changeFolderLockProbe != nullptr && changeFolderLockProbe() ? 1 : 0;
        const PaintDC dc(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        PaintChangeFolderLink(dc.get(), client, changeFolderLocked == 1);
        break;
    }
    case WM_SETCURSOR:
        return TRUE;
    case WM_MOUSEMOVE:
        RequestHoverAndLeave(hwnd);
        break;
    case WM_MOUSEHOVER:
        if (changeFolderLocked == 1) {
            if (changeFolderTipWindow != nullptr) {
                ShowBalloon(changeFolderTipWindow, hwnd, kLockedNotice);
            }
        } else {
            ShowSystemCursor(IDC_HAND);
        }
        break;
    case WM_MOUSELEAVE:
        ShowSystemCursor(IDC_ARROW);
        HideBalloon(changeFolderTipWindow);
        break;
    case UM_SET_TOOLTIP:
        changeFolderTipWindow = reinterpret_cast<HWND>(wParam);
        break;
    default:
        break;
    }
    return PassToPrevious(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK AgreementLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        const PaintDC dc(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        PaintAgreementLink(dc.get(), client);
        break;
    }
    default:
        if (TrackHandCursor(hwnd, message)) {
            return TRUE;
        }
        break;
    }
    return PassToPrevious(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CancelLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The static control paints the text itself; only the cursor is ours.
    if (TrackHandCursor(hwnd, message)) {
        return TRUE;
    }
    return PassToPrevious(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FolderLabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        const PaintDC dc(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        folderLabelCut = PaintFolderLabel(dc.get(), client, folderLabelBuffer) ? 1 : 0;
        break;
    }
    case WM_ERASEBKGND:
        return TRUE; // the paint step fills the background itself
    case WM_MOUSEMOVE:
        RequestHoverAndLeave(hwnd);
        break;
    case WM_MOUSEHOVER:
        if (folderLabelCut == 1 && folderLabelTipWindow != nullptr) {
            ShowBalloon(folderLabelTipWindow, hwnd, folderLabelBuffer);
            // Above and right of the label, clear of the pointer.
            RECT label{};
            GetWindowRect(hwnd, &label);
            SetWindowPos(folderLabelTipWindow, HWND_TOP, label.left + SkinLength(30),
                         label.top - SkinLength(50), 0, 0, SWP_NOSIZE);
        }
        break;
    case WM_MOUSELEAVE:
        HideBalloon(folderLabelTipWindow);
        break;
    case UM_SET_FOLDER_TEXT:
        CopyFolderText(folderLabelBuffer, reinterpret_cast<const wchar_t*>(lParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case UM_SET_TOOLTIP:
        folderLabelTipWindow = reinterpret_cast<HWND>(wParam);
        break;
    default:
        break;
    }
    return PassToPrevious(hwnd, message, wParam, lParam);
}
