#include "app/commands.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/control_ids.h"
#include "app/quit.h"
#include "app/share_links.h"
#include "app/wizard_state.h"
#include "app/wizard_taskbar.h"
#include "app/wizard_timers.h"
#include "app/workflow.h"
#include "core/app_object.h"
#include "core/messages.h"
#include "core/worker_thread.h"
#include "install/install_location.h"
#include "net/download.h"
#include "net/net_watch.h"

namespace {
bool IsChecked(HWND hwnd, int id) {
    return SendMessageW(GetDlgItem(hwnd, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OpenInBrowser(const std::wstring& address) {
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOW);
}

void OnClose(HWND hwnd) {
    switch (GetApp()->page.load()) {
    case PAGE_INSTALL:
    case PAGE_REMOVE_OLD:
        // Nothing may interrupt the installers, unless they have given up.
        if (installStalled) {
            QuitWizard(true);
        }
        break;
    case PAGE_DOWNLOAD:
        ConfirmCancel();
        break;
    default:
        QuitWizard(IsChecked(hwnd, ID_CLEANUP_CHECK));
        break;
    }
}

void OnStartInstall(HWND hwnd) {
    VBindCallback* app = GetApp();
    if (app->page.load() != PAGE_AGREE) {
        return; // the button exists on the first page only
    }
    SetStatusText(L"已下载：%d%%", 0);
    SendMessageW(GetDlgItem(hwnd, ID_PROGRESS_BAR), PBM_SETPOS, 1, 0);
    StartWorker(DownloadInstallerThread, hwnd);
    GoToPage(PAGE_DOWNLOAD);
    InvalidateRect(hwnd, nullptr, TRUE);
    if (app->slides.Count() > 0) {
        StartWorker(SlideTickThread, hwnd);
    }
    StartNetWatchIfIdle(hwnd);
}

void OnAgreementBox(HWND hwnd) {
    const WPARAM enable = IsChecked(hwnd, ID_AGREE_CHECK) ? 1 : 0;
    SendMessageW(GetDlgItem(hwnd, ID_START_INSTALL), UM_SKIN_STATE, enable, 0);
}
} // namespace

void ConfirmCancel() {
    VBindCallback* app = GetApp();
    app->abortDownload.store(1); // the running transfer stops at its next report
    if (AskUser(app->mainWindow, L"您确定要取消吗！", L"警告", MB_OKCANCEL) == IDOK) {
        QuitWizard(true);
        return;
    }
    app->abortDownload.store(0);
    StartWorker(DownloadInstallerThread, app->mainWindow);
    OnCancelDeclined();
}

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
        OnClose(hwnd);
        break;
    case ID_START_INSTALL:
        OnStartInstall(hwnd);
        break;
    case ID_CHANGE_FOLDER:
        ChooseInstallFolder(hwnd);
        break;
    case ID_CANCEL:
        ConfirmCancel();
        break;
    case ID_FINISH:
        QuitWizard(true);
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
