#include "app/accessible_names.h"

#include <oleacc.h>

#include <string>

#include "app/control_ids.h"
#include "app/keyboard.h"
#include "app/main_paint.h"
#include "core/app_object.h"
#include "ui/accessible_object.h"
#include "ui/skin_buttons.h"
#include "ui/text_controls.h"

namespace {
struct NamedControl {
    int id;
    const wchar_t* name; // nullptr: see FactsOf
    long role;
};

// The names are the words the skin shows, so that a user can say what they see.
constexpr NamedControl kNamed[] = {
    {ID_CLOSE, L"关闭", ROLE_SYSTEM_PUSHBUTTON},
    {ID_MINIMIZE, L"最小化", ROLE_SYSTEM_PUSHBUTTON},
    {ID_START_INSTALL, L"开始安装", ROLE_SYSTEM_PUSHBUTTON}, // the caption its picture shows
    {ID_AGREE_CHECK, nullptr, ROLE_SYSTEM_CHECKBUTTON},      // the agreement sentence
    {ID_AGREEMENT, kAgreementLinkText, ROLE_SYSTEM_LINK},
    {ID_CHANGE_FOLDER, L"更改", ROLE_SYSTEM_LINK},
    {ID_CANCEL, L"取消", ROLE_SYSTEM_LINK},
    {ID_FINISH, L"完成", ROLE_SYSTEM_PUSHBUTTON},
    // The finish picture says "分享到：" beside the two buttons.
    {ID_TENCENT_SHARE, L"分享到腾讯微博", ROLE_SYSTEM_PUSHBUTTON},
    {ID_SINA_SHARE, L"分享到新浪微博", ROLE_SYSTEM_PUSHBUTTON},
    {ID_PROGRESS_BAR, nullptr, ROLE_SYSTEM_PROGRESSBAR}, // its value: the status line
    // Not to act on, but what it paints no client could read: the whole install folder.
    {ID_FOLDER_LABEL, nullptr, ROLE_SYSTEM_STATICTEXT},
};

// The procedure each named control had before, kept with the control.
constexpr wchar_t kPreviousProcedure[] = L"Tidewell.AccessiblePrevious";

const NamedControl* RowOf(int id) {
    for (const NamedControl& row : kNamed) {
        if (row.id == id) {
            return &row;
        }
    }
    return nullptr;
}

AccessibleFacts FactsOf(HWND control) {
    AccessibleFacts facts;
    const int id = GetDlgCtrlID(control);
    const NamedControl* row = RowOf(id);
    if (row == nullptr) {
        return facts;
    }
    facts.role = row->role;
    if (row->name != nullptr) {
        facts.name = row->name;
    }
    switch (id) {
    case ID_AGREE_CHECK:
        facts.name = ConsentSentence();
        facts.checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        break;
    case ID_FOLDER_LABEL:
        facts.name = folderLabelBuffer; // whole, where the label may cut it
        break;
    case ID_PROGRESS_BAR: {
        const wchar_t* status = StatusLineOf(GetApp()->page.load());
        facts.value = status != nullptr ? status : L"";
        break;
    }
    case ID_START_INSTALL: // greyed while the box is unchecked
        facts.unavailable = installEnabled != 1;
        break;
    case ID_CHANGE_FOLDER: // greyed when the suite has its folder already
        facts.unavailable = changeFolderLocked == 1;
        break;
    default:
        break;
    }
    facts.focused = id == KeyboardFocusId() && GetFocus() == GetParent(control);
    return facts;
}

LRESULT CALLBACK NamedControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kPreviousProcedure));
    if (message == WM_GETOBJECT) {
        const LRESULT answer = AnswerAccessibleObject(hwnd, wParam, lParam, FactsOf);
        if (answer != 0) {
            return answer;
        }
    } else if (message == WM_NCDESTROY) {
        RemovePropW(hwnd, kPreviousProcedure);
    }
    if (previous == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}
} // namespace

const wchar_t* ConsentSentence() {
    static const std::wstring sentence =
        std::wstring(kConsentBefore) + kAgreementLinkText + kConsentAfter;
    return sentence.c_str();
}

void NameControls(HWND mainWindow) {
    for (const NamedControl& row : kNamed) {
        HWND control = GetDlgItem(mainWindow, row.id);
        if (control == nullptr) {
            continue;
        }
        // A second subclass over the skin's own: the skin procedures keep theirs in
        // GWLP_USERDATA, this one keeps its predecessor in a window property.
        const LONG_PTR previous = GetWindowLongPtrW(control, GWLP_WNDPROC);
        SetPropW(control, kPreviousProcedure, reinterpret_cast<HANDLE>(previous));
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NamedControlProc));
    }
}
