#include "app/workflow.h"

#include <commctrl.h>

#include <cstdint>

#include "app/control_ids.h"
#include "app/download_display.h"
#include "app/retry_pacing.h"
#include "app/quit.h"
#include "app/wizard_state.h"
#include "app/wizard_taskbar.h"
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
    if (AskUser(hwnd, L"安装文件损坏，您可以点击确定重新下载或者取消!", L"错误", MB_OKCANCEL) !=
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

// The retry count and the pause go on across failed attempts; the download moving
// forward again is what starts them afresh.
void NoteProgressMade() {
    retryCount = 0;
    failedAttempts = 0;
}

void ResumeAfterOffline() {
    VBindCallback* app = GetApp();
    GoToPage(PAGE_DOWNLOAD);
    InvalidateRect(app->mainWindow, nullptr, TRUE);
    SetStatusText(L"已下载：%d%%", maxPercent);
    app->abortDownload.store(0);
    StartWorker(DownloadInstallerThread, app->mainWindow);
    offlinePaused = 0;
}

void StartVerification() {
    ++latestVerification;
    StartWorker(VerifyInstallerThread,
                reinterpret_cast<void*>(static_cast<std::uintptr_t>(latestVerification)));
}
} // namespace

void OnDownloadProgress(HWND hwnd, WPARAM total, LPARAM done) {
    VBindCallback* app = GetApp();
    const DownloadDisplay display = ApplyDownloadReport(
        maxPercent, DownloadPercent(static_cast<unsigned>(total), static_cast<unsigned>(done)));
    if (display.maxPercent > maxPercent) {
        NoteProgressMade();
    }
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
    case PAGE_VERIFY:
        StartVerification(); // the verdict arrives as UM_INSTALLER_VERIFIED
        break;
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
    installStalled = false; // reports come again once a stalled installation moves on
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
        retryPauseMs = 0; // a lost connection is retried as soon as it is back
    } else if (offlinePaused == 1 &&
               RetryPauseIsOver(retryPausedAtMs, retryPauseMs, GetTickCount())) {
        ResumeAfterOffline();
    }
}

// An attempt that failed on its own (no address, an HTTP error, a connection closed
// early) takes the road of a lost connection, the offline page counting its retries,
// but the next attempt waits longer after each failure in a row: at once, it would
// fail the same way. An error page can reach "100 %" before its failure is known, so
// this also leaves the verify page.
void OnDownloadFailed(HWND hwnd) {
    const int page = GetApp()->page.load();
    if (page == PAGE_DOWNLOAD || page == PAGE_VERIFY) {
        ++failedAttempts;
        PauseForOffline(hwnd);
        retryPausedAtMs = GetTickCount();
        retryPauseMs = RetryPauseMs(failedAttempts);
        StartNetWatchIfIdle(hwnd); // the watchdog ends on the verify page
    }
}

void OnInstallerVerified(HWND hwnd, bool damaged, unsigned verification) {
    const VBindCallback* app = GetApp();
    // Only the newest verification counts, on its page, and not while the cancel
    // question is open: declining it starts a new attempt, and a new verification.
    if (verification != latestVerification || app->page.load() != PAGE_VERIFY ||
        app->abortDownload.load() != 0) {
        return;
    }
    if (damaged) {
        OfferFreshDownload(hwnd);
    } else {
        BeginRemovalOrInstall(hwnd);
    }
}

void OnCancelDeclined() {
    // On the verify page the verification may have judged the file already; the new
    // attempt's file needs a verdict of its own.
    if (GetApp()->page.load() == PAGE_VERIFY) {
        StartVerification();
    }
}

// The installer or the old uninstaller is not going as it should: say so, and let the
// close button end the program. The wait goes on behind the notice.
void OnInstallerGaveUp(HWND hwnd, const wchar_t* notice) {
    installStalled = true;
    SetStatusText(notice);
    RepaintStatusLine(hwnd, TRUE);
}

void OnOldEditionRemoved() {
    installStalled = false; // a slow uninstaller that got there after all
    StartSilentInstall();
}
