#include "app/commands.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/control_ids.h"
#include "app/share_links.h"
#include "app/workflow.h"
#include "core/messages.h"
#include "install/install_location.h"

namespace {
bool IsChecked(HWND hwnd, int id) {
    return SendMessageW(GetDlgItem(hwnd, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OpenInBrowser(const std::wstring& address) {
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOW);
}

void OnAgreementBox(HWND hwnd) {
    const WPARAM enable = IsChecked(hwnd, ID_AGREE_CHECK) ? 1 : 0;
    SendMessageW(GetDlgItem(hwnd, ID_START_INSTALL), UM_SKIN_STATE, enable, 0);
}

// A click the wizard decides about; `flag` as the event needs it.
void Click(HWND hwnd, EventKind kind, bool flag = false) {
    WizardEvent event{kind};
    event.flag = flag;
    event.nowMs = GetTickCount();
    Dispatch(hwnd, event);
}
} // namespace

void OnCommand(HWND hwnd, int id, int notification) {
    if (id == ID_AGREE_CHECK) {
        OnAgreementBox(hwnd); // any notification code
        return;
    }
    if (notification != 0) {
        return; // accelerators and other notifications do nothing
    }
    switch (id) {
    case ID_CLOSE:
        // The hidden clean-up box decides whether a plain close deletes the working files.
        Click(hwnd, EventKind::CloseClicked, IsChecked(hwnd, ID_CLEANUP_CHECK));
        break;
    case ID_START_INSTALL:
        Click(hwnd, EventKind::StartClicked, IsChecked(hwnd, ID_AGREE_CHECK));
        break;
    case ID_CHANGE_FOLDER:
        ChooseInstallFolder(hwnd);
        break;
    case ID_CANCEL:
        Click(hwnd, EventKind::CancelClicked);
        break;
    case ID_FINISH:
        Click(hwnd, EventKind::FinishClicked);
        break;
    case ID_TENCENT_SHARE:
        OpenInBrowser(TencentShareAddress());
        break;
    case ID_SINA_SHARE:
        OpenInBrowser(SinaShareAddress());
        break;
    case ID_AGREEMENT:
        OpenInBrowser(AgreementAddress());
        break;
    case ID_MINIMIZE:
        ShowWindow(hwnd, SW_MINIMIZE);
        break;
    default:
        break;
    }
}
