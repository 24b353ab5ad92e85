#include "app/workflow.h"

#include <commctrl.h>

#include "app/control_ids.h"
#include "app/download_display.h"
#include "app/quit.h"
#include "app/wizard_state.h"
#include "app/wizard_timers.h"
#include "core/app_object.h"
#include "core/gdi_handles.h"
#include "core/messages.h"
#include "core/worker_thread.h"
#include "install/old_edition.h"
#include "install/silent_install.h"
#include "install/working_files.h"
#include "net/download.h"
#include "net/download_rules.h"
#include "net/net_watch.h"
#include "ui/bitmap_draw.h"

namespace {
constexpr DWORD kVerifyDelayMs = 1000;
constexpr DWORD kInstallDelayMs = 1000;
constexpr DWORD kAfterKillDelayMs = 2000;

HWND ProgressBar(HWND hwnd) {
    return GetDlgItem(hwnd, ID_PROGRESS_BAR);
}

void RepaintStatusLine(HWND hwnd, BOOL erase) {
    InvalidateRect(hwnd, &GetApp()->statusRect, erase);
}

// The damaged-installer question. OK downloads afresh, Cancel ends the program.
void OfferFreshDownload(HWND hwnd) {
    VBindCallback* app = GetApp();
    if (MessageBoxW(hwnd, L"安装文件损坏，您可以点击确定重新下载或者取消!", L"错误", MB_OKCANCEL) !=
        IDOK) {
        QuitWizard(true);
        return;
    }
    CleanWorkingFiles();
    app->cacheBustPending.store(1);
    GoToPage(PAGE_DOWNLOAD);
    SendMessageW(ProgressBar(hwnd), PBM_SETPOS, 0, 0);
    SetStatusText(L"已下载：%d%%", 0);
    RepaintStatusLine(hwnd, TRUE);
    maxPercent = 0;
    StartWorker(DownloadInstallerThread, hwnd);
    // The first watchdog ended with the first download; this one needs its own.
    StartNetWatchIfIdle(hwnd);
}

void BeginRemovalOrInstall(HWND hwnd) {
    if (IsOldEditionInstalled()) {
        SetStatusText(L"正在卸载老版工作台,请勿关闭!");
        GoToPage(PAGE_REMOVE_OLD);
        RepaintStatusLine(hwnd, TRUE);
        EndOldSuitePrograms();
        StartStageTimer(kAfterKillDelayMs); // stands in for waiting on the ended programs
    } else {
        GoToPage(PAGE_INSTALL);
        StartStageTimer(kInstallDelayMs);
    }
}

void PauseForOffline(HWND hwnd) {
    VBindCallback* app = GetApp();
    offlinePaused = 1;
    GoToPage(PAGE_OFFLINE);
    ++retryCount;
    app->abortDownload.store(1); // the running attempt ends at its next report
    if (app->retryBanner != nullptr) {
        PostMessageW(app->retryBanner->hwnd, UM_RETRY_COUNT, static_cast<WPARAM>(retryCount), 0);
    }
    RepaintStatusLine(hwnd, TRUE);
}

void ResumeAfterOffline() {
    VBindCallback* app = GetApp();
    GoToPage(PAGE_DOWNLOAD);
    InvalidateRect(app->mainWindow, nullptr, TRUE);
    SetStatusText(L"已下载：%d%%", maxPercent);
    app->abortDownload.store(0);
    StartWorker(DownloadInstallerThread, app->mainWindow);
    retryCount = 0;
    offlinePaused = 0;
}
} // namespace

void OnDownloadProgress(HWND hwnd, WPARAM total, LPARAM done) {
    VBindCallback* app = GetApp();
    const DownloadDisplay display = ApplyDownloadReport(
        maxPercent, DownloadPercent(static_cast<unsigned>(total), static_cast<unsigned>(done)));
    maxPercent = display.maxPercent;
    if (display.barMoves) {
        SendMessageW(ProgressBar(hwnd), PBM_SETPOS, static_cast<WPARAM>(display.shownPercent), 0);
    }
    SetStatusText(L"已下载：%d%%", display.shownPercent);
    if (display.complete && app->page.load() == PAGE_DOWNLOAD) {
        GoToPage(PAGE_VERIFY);
        StartStageTimer(kVerifyDelayMs);
    }
    RepaintStatusLine(hwnd, FALSE);
}

void OnStageTimer(HWND hwnd, int pageWhenDue) {
    switch (pageWhenDue) {
    case PAGE_VERIFY: {
        const bool damaged = InstallerNeedsFreshDownload();
        // The check waits for the attempt to settle and meanwhile handles its reports:
        // one of them may have taken the wizard elsewhere (a failed attempt).
        if (GetApp()->page.load() != PAGE_VERIFY) {
            break;
        }
        if (damaged) {
            OfferFreshDownload(hwnd);
        } else {
            BeginRemovalOrInstall(hwnd);
        }
        break;
    }
    case PAGE_REMOVE_OLD:
        StartOldUninstaller(hwnd);
        break;
    case PAGE_INSTALL:
        StartSilentInstall();
        break;
    default:
        break; // the page has moved on meanwhile
    }
}

void OnInstallProgress(HWND hwnd, WPARAM percent) {
    const unsigned value = static_cast<unsigned>(percent);
    const unsigned bar = value >= 100 ? 200 : value + 100;
    SendMessageW(ProgressBar(hwnd), PBM_SETPOS, bar, 0);
    if (value < 100) {
        SetStatusText(L"已安装：%d%%", static_cast<int>(value));
    } else {
        SetStatusText(L""); // finished: the line stays empty
    }
    RepaintStatusLine(hwnd, FALSE);
}

void OnInstallDone(HWND hwnd) {
    GoToPage(PAGE_DONE);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void OnSlideTick(HWND hwnd) {
    VBindCallback* app = GetApp();
    const int page = app->page.load();
    if (page != PAGE_DOWNLOAD && page != PAGE_INSTALL) {
        return;
    }
    const std::size_t count = app->slides.Count();
    if (count == 0) {
        return;
    }
    if (slideIndex >= count) {
        slideIndex = 0;
    }
    DrawSlideBitmap(app->slides.At(slideIndex), WindowDC(hwnd, WindowDC::WholeWindow).get());
    ++slideIndex;
    // The slide covers the close and minimize buttons: let them paint themselves again.
    for (ChildControl* button : {app->closeButton, app->minimizeButton}) {
        if (button != nullptr) {
            PostMessageW(button->hwnd, UM_SKIN_STATE, 0, 0);
        }
    }
}

void OnNetState(HWND hwnd, bool connected) {
    const int page = GetApp()->page.load();
    if (page == PAGE_INSTALL || page == PAGE_DONE) {
        return;
    }
    if (!connected) {
        PauseForOffline(hwnd);
    } else if (offlinePaused == 1) {
        ResumeAfterOffline();
    }
}

// An attempt that failed on its own (no address, an HTTP error, a connection closed
// early) takes the same road as a lost connection: the offline page counts retries
// and the watchdog's next connected report starts a new attempt. An error page can
// reach "100 %" before its failure is known, so this also leaves the verify page.
void OnDownloadFailed(HWND hwnd) {
    const int page = GetApp()->page.load();
    if (page == PAGE_DOWNLOAD || page == PAGE_VERIFY) {
        PauseForOffline(hwnd);
        StartNetWatchIfIdle(hwnd); // the watchdog ends on the verify page
    }
}

// The installer ended short of 100 %, or the old edition would not go away: say so,
// and let the close button end the program.
void OnInstallerGaveUp(HWND hwnd, const wchar_t* notice) {
    installStalled = true;
    SetStatusText(notice);
    RepaintStatusLine(hwnd, TRUE);
}
