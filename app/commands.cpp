#include "app/commands.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/app_object.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/share_links.h"
#include "app/wizard_state.h"
#include "app/worker_thread.h"
#include "install/install_location.h"
#include "net/download.h"
#include "net/net_watch.h"
#include "net/timers.h"

namespace {
enum CommandId : int {
    ID_CLOSE = 101,
    ID_START_INSTALL = 102,
    ID_AGREE_CHECK = 103,
    ID_CHANGE_FOLDER = 104,
    ID_CANCEL = 105,
    ID_FINISH = 106,
    ID_TENCENT_SHARE = 107,
    ID_SINA_SHARE = 108,
    ID_CLEANUP_CHECK = 109,
    ID_AGREEMENT = 111,
    ID_MINIMIZE = 114,
};

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
    SendMessageW(GetDlgItem(hwnd, 10000), PBM_SETPOS, 1, 0);
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
    if (MessageBoxW(app->mainWindow, L"您确定要取消吗！", L"警告", MB_OKCANCEL) == IDOK) {
        QuitWizard(true);
        return;
    }
    app->abortDownload.store(0);
    StartWorker(DownloadInstallerThread, app->mainWindow);
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
