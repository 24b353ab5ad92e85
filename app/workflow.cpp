#include "app/workflow.h"

#include <commctrl.h>

#include <vector>

#include "app/control_ids.h"
#include "app/quit.h"
#include "app/support_log_lines.h"
#include "app/wizard_state.h"
#include "app/wizard_taskbar.h"
#include "app/wizard_timers.h"
#include "core/app_object.h"
#include "core/gdi_handles.h"
#include "core/held_installer.h"
#include "core/messages.h"
#include "core/random_draw.h"
#include "core/support_log.h"
#include "core/worker_thread.h"
#include "install/old_edition.h"
#include "install/silent_install.h"
#include "install/working_files.h"
#include "net/download.h"
#include "net/download_attempts.h"
#include "net/installer_check.h"
#include "net/net_watch.h"
#include "ui/bitmap_draw.h"

namespace {
StepLog stepLog;

HWND ProgressBar(HWND hwnd) {
    return GetDlgItem(hwnd, ID_PROGRESS_BAR);
}

void ShowStatus(StatusText text, int value) {
    switch (text) {
    case StatusText::Downloaded:
        SetStatusText(L"已下载：%d%%", value);
        break;
    case StatusText::Installed:
        SetStatusText(L"已安装：%d%%", value);
        break;
    case StatusText::Empty:
        SetStatusText(L"");
        break;
    case StatusText::RemovingOld:
        SetStatusText(L"正在卸载老版工作台,请勿关闭!");
        break;
    case StatusText::InstallFailed:
        SetStatusText(L"安装失败，请关闭后重试");
        break;
    case StatusText::OldRemovalFailed:
        SetStatusText(L"卸载老版失败，请关闭后重试");
        break;
    case StatusText::DiskFull:
        SetStatusText(L"磁盘空间不足，请清理后重试");
        break;
    }
}

// Both questions: MB_OKCANCEL, no icon, owned by the main window. Whether OK was chosen.
bool AskQuestion(HWND hwnd, Question question) {
    if (question == Question::Cancel) {
        return AskUser(hwnd, L"您确定要取消吗！", L"警告", MB_OKCANCEL) == IDOK;
    }
    return AskUser(hwnd, L"安装文件损坏，您可以点击确定重新下载或者取消!", L"错误", MB_OKCANCEL) ==
           IDOK;
}

WizardEvent EventOf(EventKind kind) {
    WizardEvent event{kind};
    event.nowMs = GetTickCount();
    return event;
}

// Carries out one action. Events it gives rise to at once (a worker that could not be
// started) are added to `follow`, to be dispatched once this step is done.
void CarryOut(HWND hwnd, const WizardAction& action, std::vector<WizardEvent>& follow) {
    VBindCallback* app = GetApp();
    switch (action.kind) {
    case ActionKind::GoToPage:
        GoToPage(action.value);
        break;
    case ActionKind::SetStatus:
        ShowStatus(action.status, action.value);
        break;
    case ActionKind::SetBar:
        SendMessageW(ProgressBar(hwnd), PBM_SETPOS, static_cast<WPARAM>(action.value), 0);
        break;
    case ActionKind::RepaintStatus:
        InvalidateRect(hwnd, &app->statusRect, action.flag ? TRUE : FALSE);
        break;
    case ActionKind::RepaintWindow:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case ActionKind::StopTransfer:
        app->abortDownload.store(action.flag ? 1 : 0);
        break;
    case ActionKind::StartAttempt:
        MakeCurrentAttempt(action.attempt);
        if (!StartDownloadAttempt(hwnd, action.attempt)) {
            WizardEvent failed = EventOf(EventKind::AttemptEnded);
            failed.attempt = action.attempt;
            failed.outcome = AttemptOutcome::Failed;
            follow.push_back(failed);
        }
        break;
    case ActionKind::RetireAttempts:
        RetireAttempts();
        break;
    case ActionKind::StartVerification:
        if (!StartVerification(hwnd, action.attempt)) {
            WizardEvent damaged = EventOf(EventKind::Verdict); // offers a fresh download
            damaged.attempt = action.attempt;
            follow.push_back(damaged);
        }
        break;
    case ActionKind::LetGoOfInstaller:
        LetGoOfInstaller(action.attempt);
        break;
    case ActionKind::ArmTimer:
        StartStageTimer(static_cast<DWORD>(action.value), action.timer);
        break;
    case ActionKind::StartSlideshow:
        if (app->slides.Count() > 0) {
            StartWorker(SlideTickThread, hwnd);
        }
        break;
    case ActionKind::StartNetWatch:
        StartNetWatchIfIdle(hwnd);
        break;
    case ActionKind::PostRetryCount:
        if (app->retryBanner != nullptr) {
            PostMessageW(app->retryBanner->hwnd, UM_RETRY_COUNT, static_cast<WPARAM>(action.value),
                         0);
        }
        break;
    case ActionKind::EndOldSuite:
        EndOldSuitePrograms();
        break;
    case ActionKind::StartUninstaller:
        StartOldUninstaller(hwnd);
        break;
    case ActionKind::StartInstaller:
        StartSilentInstall();
        break;
    case ActionKind::CleanWorkingFiles:
        CleanWorkingFiles();
        break;
    case ActionKind::BustCache:
        app->cacheBustPending.store(1);
        break;
    case ActionKind::Ask: {
        WizardEvent answer = EventOf(EventKind::QuestionAnswered);
        answer.flag = AskQuestion(hwnd, action.question);
        follow.push_back(answer);
        break;
    }
    case ActionKind::Quit:
        QuitWizard(action.flag);
        break;
    }
}
} // namespace

void Dispatch(HWND hwnd, const WizardEvent& event) {
    const WizardStep step = Advance(wizard, event);
    // Logged before anything is carried out, so that the events a question's message box
    // dispatches come after this step's actions, in the order Advance saw them.
    for (std::string& line : stepLog.Lines(SupportLogTime(), wizard, event, step)) {
        WriteSupportLog(std::move(line));
    }
    // Stored before anything is carried out: a question's message box dispatches more
    // events, and they must meet the state this step left.
    wizard = step.state;
    std::vector<WizardEvent> follow;
    for (const WizardAction& action : step.actions) {
        CarryOut(hwnd, action, follow);
    }
    for (const WizardEvent& next : follow) {
        Dispatch(hwnd, next);
    }
}

bool OnWorkerReport(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WizardEvent event = EventOf(EventKind::DownloadProgress);
    switch (message) {
    case UM_DOWNLOAD_PROGRESS: // the 32-bit values, read unsigned
        event.attempt = AttemptOfProgressReport();
        event.total = static_cast<std::uint32_t>(wParam);
        event.done = static_cast<std::uint32_t>(lParam);
        break;
    case UM_DOWNLOAD_ENDED:
        event.kind = EventKind::AttemptEnded;
        event.attempt = static_cast<unsigned>(wParam);
        event.outcome = lParam == DOWNLOAD_PLACED      ? AttemptOutcome::Placed
                        : lParam == DOWNLOAD_FAILED    ? AttemptOutcome::Failed
                        : lParam == DOWNLOAD_DISK_FULL ? AttemptOutcome::DiskFull
                                                       : AttemptOutcome::Stopped;
        event.status = AnswerOfEndReport().status;
        event.serviceWaitMs = AnswerOfEndReport().serviceWaitMs;
        event.draw = RandomDraw();
        break;
    case UM_INSTALLER_VERIFIED:
        event.kind = EventKind::Verdict;
        event.attempt = static_cast<unsigned>(lParam);
        event.flag = wParam == 0;
        event.oldEdition = event.flag && IsOldEditionInstalled();
        break;
    case UM_STAGE_TIMER:
        event.kind = EventKind::StageTimer;
        event.page = static_cast<int>(wParam);
        event.timer = static_cast<unsigned>(lParam);
        break;
    case UM_NET_STATE:
        event.kind = EventKind::NetState;
        event.flag = wParam != 0;
        break;
    case UM_INSTALL_PROGRESS:
        event.kind = EventKind::InstallProgress;
        event.value = static_cast<std::uint32_t>(wParam);
        break;
    case UM_INSTALL_DONE:
        event.kind = EventKind::InstallDone;
        break;
    case UM_INSTALL_FAILED:
        event.kind = EventKind::InstallFailed;
        break;
    case UM_OLD_REMOVAL_FAILED:
        event.kind = EventKind::OldRemovalFailed;
        break;
    case UM_OLD_REMOVED:
        event.kind = EventKind::OldRemoved;
        break;
    default:
        return false;
    }
    Dispatch(hwnd, event);
    return true;
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
