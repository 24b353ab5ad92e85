#include "app/wizard_machine.h"

#include "app/download_display.h"
#include "app/retry_pacing.h"
#include "net/download_rules.h"

namespace {

// One step: the state as it changes and the actions in the order they are to be
// carried out. Each helper is one thing the wizard does, written once.
class Step {
public:
    explicit Step(const WizardState& state) : s(state) {}

    WizardStep Done() { return {s, std::move(out)}; }

    WizardState s;

    void Emit(WizardAction action) { out.push_back(action); }

    void GoTo(int page) {
        s.page = page;
        // A stage timer belongs to the page it was armed on: a page change drops it, even
        // its end already on its way (defence in depth: the verify page also forgets it was
        // due, so when it comes again it waits for its own timer).
        s.timer = 0;
        s.verifyDue = false;
        Emit({ActionKind::GoToPage, page});
    }
    void Status(StatusText text, int value = 0) {
        WizardAction action{ActionKind::SetStatus, value};
        action.status = text;
        Emit(action);
    }
    void Bar(int position) { Emit({ActionKind::SetBar, position}); }
    // `erase` shows only on a page that does not draw the status line (the verify page):
    // the others fill it themselves.
    void RepaintStatus(bool erase) {
        WizardAction action{ActionKind::RepaintStatus};
        action.flag = erase;
        Emit(action);
    }
    void StopTransfer(bool stop) {
        s.transferStopped = stop;
        WizardAction action{ActionKind::StopTransfer};
        action.flag = stop;
        Emit(action);
    }
    void ArmTimer(std::uint32_t delayMs) {
        s.timer = ++s.timersArmed;
        s.timerPage = s.page;
        WizardAction action{ActionKind::ArmTimer, static_cast<int>(delayMs)};
        action.timer = s.timer;
        Emit(action);
    }
    void WithAttempt(ActionKind kind, unsigned attempt) {
        WizardAction action{kind};
        action.attempt = attempt;
        Emit(action);
    }

    // A new attempt takes its number here, on the window's side, so that nothing can
    // take an older attempt for the current one while the new one's thread starts.
    void StartNewAttempt() {
        if (s.transferStopped) { // an action only when the flag changes: logs stay lean
            StopTransfer(false);
        }
        ++s.attempt;
        s.attemptRunning = true;
        s.attemptPlaced = false;
        s.verifying = 0; // a verification under way judges an older attempt's file
        WithAttempt(ActionKind::StartAttempt, s.attempt);
    }

    void StartVerificationIfDue() {
        if (s.page == PAGE_VERIFY && s.verifyDue && s.attemptPlaced && s.verifying == 0 &&
            s.question == Question::None) {
            s.verifying = s.attempt;
            WithAttempt(ActionKind::StartVerification, s.attempt);
        }
    }

    // The download is whole: the verify page, and its check a second later.
    void Complete() {
        GoTo(PAGE_VERIFY);
        ArmTimer(kVerifyDelayMs);
    }

    // The current attempt placed its file without a report of 100 % reaching the
    // download page (a transfer without a total, or the page was paused meanwhile).
    void CompleteOnPlacement() {
        if (s.maxPercent < 100) {
            s.maxPercent = 100;
            NoteProgressMade();
        }
        ShowDownload(100, true);
        Complete();
        RepaintStatus(false); // the verify page draws no status line: kept for the log's sake
    }

    void Ask(Question question) {
        s.question = question;
        WizardAction action{ActionKind::Ask};
        action.question = question;
        Emit(action);
    }
    void AskCancel() {
        StopTransfer(true); // the transfer stops at its next report, before the question
        Ask(Question::Cancel);
    }
    void Quit(bool cleanUp) {
        s.quitting = true;
        WizardAction action{ActionKind::Quit};
        action.flag = cleanUp;
        Emit(action);
    }

    // The wait before the next attempt, on the offline page with its banner.
    void PauseOffline(PauseCause cause) {
        s.offlinePaused = true;
        s.pauseCause = cause;
        GoTo(PAGE_OFFLINE);
        ++s.retryCount;
        StopTransfer(true); // the running attempt ends at its next report
        Emit({ActionKind::PostRetryCount, s.retryCount});
        RepaintStatus(true);
    }

    void NoteProgressMade() {
        s.retryCount = 0;
        s.failedAttempts = 0;
    }

    void ShowDownload(int percent, bool barMoves) {
        if (barMoves) {
            Bar(percent);
        }
        Status(StatusText::Downloaded, percent);
    }

    void OnStart(const WizardEvent& e) {
        if (s.page != PAGE_AGREE || !e.flag) {
            return; // the button works on the first page, while the box is checked
        }
        Status(StatusText::Downloaded, 0);
        Bar(1);
        StartNewAttempt();
        GoTo(PAGE_DOWNLOAD);
        Emit({ActionKind::RepaintWindow});
        Emit({ActionKind::StartSlideshow});
        Emit({ActionKind::StartNetWatch});
    }

    void OnClose(const WizardEvent& e) {
        switch (s.page) {
        case PAGE_INSTALL:
        case PAGE_REMOVE_OLD:
            // Nothing may interrupt the installers, unless they have stalled.
            if (s.noticeShown) {
                Quit(true);
            }
            break;
        case PAGE_DOWNLOAD:
            AskCancel();
            break;
        case PAGE_AGREE:
        case PAGE_OFFLINE:
        case PAGE_DONE:
        case PAGE_VERIFY:
            Quit(e.flag);
            break;
        default:
            break;
        }
    }

    void OnCancel() {
        switch (s.page) {
        case PAGE_DOWNLOAD:
        case PAGE_VERIFY:
            AskCancel();
            break;
        default:
            break; // the cancel link shows on those two pages only
        }
    }

    void OnAnswer(const WizardEvent& e) {
        const Question asked = s.question;
        s.question = Question::None;
        switch (asked) {
        case Question::None:
            break; // an answer nobody asked for
        case Question::Cancel:
            if (e.flag) {
                Quit(true);
            } else if (!s.offlinePaused) {
                // Declined: a new attempt at once. While paused, the pause's end starts
                // it, and the transfer stays stopped until then.
                StartNewAttempt();
            }
            break;
        case Question::Damaged:
            if (!e.flag) {
                Quit(true);
                break;
            }
            // A fresh download from nothing: the display starts again from 0, nothing
            // of the damaged run's pauses or stops carries over.
            Emit({ActionKind::CleanWorkingFiles});
            Emit({ActionKind::BustCache});
            GoTo(PAGE_DOWNLOAD);
            Bar(0);
            Status(StatusText::Downloaded, 0);
            RepaintStatus(true);
            s.maxPercent = 0;
            // Defence in depth: no pause stands on the verify page, where this is asked.
            s.offlinePaused = false;
            s.pauseCause = PauseCause::None;
            NoteProgressMade();
            StartNewAttempt();
            Emit({ActionKind::StartNetWatch});
            break;
        }
    }

    void OnProgress(const WizardEvent& e) {
        if (e.attempt != s.attempt || !s.attemptRunning) {
            return; // a replaced attempt, or one that has ended
        }
        switch (s.page) {
        case PAGE_DOWNLOAD:
        case PAGE_VERIFY: {
            const DownloadDisplay display =
                ApplyDownloadReport(s.maxPercent, DownloadPercent(e.total, e.done));
            if (display.maxPercent > s.maxPercent) {
                NoteProgressMade();
            }
            s.maxPercent = display.maxPercent;
            ShowDownload(display.shownPercent, display.barMoves);
            if (display.complete && s.page == PAGE_DOWNLOAD) {
                Complete();
            }
            RepaintStatus(false);
            break;
        }
        default:
            break; // the attempt was stopped meanwhile; its next report ends it
        }
    }

    void OnAttemptEnded(const WizardEvent& e) {
        if (e.attempt != s.attempt || !s.attemptRunning) {
            return; // a replaced attempt, or its end told twice
        }
        s.attemptRunning = false;
        switch (e.outcome) {
        case AttemptOutcome::Placed:
            s.attemptPlaced = true;
            if (s.page == PAGE_DOWNLOAD && s.question == Question::None) {
                CompleteOnPlacement();
            }
            StartVerificationIfDue();
            break;
        case AttemptOutcome::Failed:
        case AttemptOutcome::DiskFull:
            OnAttemptFailed(e);
            break;
        case AttemptOutcome::Stopped:
            break;
        }
    }

    // An attempt that failed on its own would fail the same way at once: the next one
    // waits, longer after each failure in a row. An error page can reach "100 %" before
    // its failure is known, so this also leaves the verify page.
    void OnAttemptFailed(const WizardEvent& e) {
        if ((s.page != PAGE_DOWNLOAD && s.page != PAGE_VERIFY) || s.question != Question::None) {
            return; // paused already, or a question decides what comes next
        }
        ++s.failedAttempts;
        s.pausedAtMs = e.nowMs;
        s.pauseMs = PauseAfterFailureMs(s.failedAttempts, e.draw, e.serviceWaitMs);
        if (e.outcome == AttemptOutcome::DiskFull) {
            // Not the network: the download page says what would help, and the retries
            // go on behind it in case room is made.
            s.offlinePaused = true;
            s.pauseCause = PauseCause::DiskFull;
            ++s.retryCount;
            if (s.page != PAGE_DOWNLOAD) { // only a new page needs the whole window drawn
                GoTo(PAGE_DOWNLOAD);
                // Defence in depth: the verify page draws only its frame, so whatever
                // was repainted there lacks the download page's picture.
                Emit({ActionKind::RepaintWindow});
            }
            StopTransfer(true); // defence in depth: the failed attempt has ended already
            Status(StatusText::DiskFull);
            RepaintStatus(true);
        } else {
            PauseOffline(PauseCause::Failed);
        }
        Emit({ActionKind::StartNetWatch}); // the watchdog ends on the verify page
    }

    void OnVerdict(const WizardEvent& e) {
        const bool counts = e.attempt == s.verifying && e.attempt == s.attempt &&
                            s.page == PAGE_VERIFY && s.question == Question::None &&
                            s.accepted == 0;
        if (e.attempt == s.verifying) {
            s.verifying = 0; // defence in depth: a new attempt clears it too
        }
        if ((!counts || !e.flag) && e.attempt != s.accepted) {
            // A verdict on a file nobody will run needs no hold on it. (The accepted
            // file's own verdict, told twice, must not let go of it.)
            WithAttempt(ActionKind::LetGoOfInstaller, e.attempt);
        }
        if (!counts) {
            return;
        }
        if (!e.flag) {
            Ask(Question::Damaged);
            return;
        }
        // This file, held since its check, is the one the installer will be. From now on
        // no attempt reports or places anything.
        s.accepted = e.attempt;
        Emit({ActionKind::RetireAttempts});
        if (e.oldEdition) {
            Status(StatusText::RemovingOld);
            GoTo(PAGE_REMOVE_OLD);
            RepaintStatus(true);
            Emit({ActionKind::EndOldSuite});
            ArmTimer(kAfterKillDelayMs);
        } else {
            GoTo(PAGE_INSTALL);
            ArmTimer(kInstallDelayMs);
        }
    }

    void OnStageTimer(const WizardEvent& e) {
        if (e.timer != s.timer) {
            return; // not the newest one, or one of a page the wizard has left since
        }
        s.timer = 0;
        switch (e.page) {
        case PAGE_VERIFY:
            s.verifyDue = true;
            StartVerificationIfDue();
            break;
        case PAGE_REMOVE_OLD:
            // Defence in depth against starting an installer twice: the timer that
            // ran out is spent already, and each stage page arms only one.
            if (!s.uninstallerStarted) {
                s.uninstallerStarted = true;
                Emit({ActionKind::StartUninstaller});
            }
            break;
        case PAGE_INSTALL:
            if (!s.installerStarted) {
                s.installerStarted = true;
                Emit({ActionKind::StartInstaller});
            }
            break;
        default:
            break; // no timer is armed on the other pages
        }
    }

    void OnNetState(const WizardEvent& e) {
        if (s.page != PAGE_DOWNLOAD && s.page != PAGE_OFFLINE) {
            return; // the watchdog reports for the download and offline pages only
        }
        if (!e.flag) {
            PauseOffline(PauseCause::Outage);
            s.pauseMs = 0; // a lost connection is retried as soon as it is back
            return;
        }
        if (!s.offlinePaused || s.question != Question::None ||
            !RetryPauseIsOver(s.pausedAtMs, s.pauseMs, e.nowMs)) {
            return;
        }
        // Back after a real outage, the count starts afresh; after failed attempts it
        // goes on, so the banner says how often they failed.
        if (s.pauseCause == PauseCause::Outage) {
            s.retryCount = 0;
        }
        s.offlinePaused = false;
        s.pauseCause = PauseCause::None;
        GoTo(PAGE_DOWNLOAD);
        Emit({ActionKind::RepaintWindow});
        Status(StatusText::Downloaded, s.maxPercent);
        if (s.attemptPlaced && !s.attemptRunning) {
            CompleteOnPlacement(); // the file was placed just as the connection went
        } else {
            StartNewAttempt();
        }
    }

    bool Installing() const {
        return (s.page == PAGE_INSTALL || s.page == PAGE_REMOVE_OLD) && s.installerStarted;
    }
    bool Uninstalling() const {
        return s.page == PAGE_REMOVE_OLD && s.uninstallerStarted && !s.installerStarted;
    }

    void OnInstallProgress(const WizardEvent& e) {
        if (!Installing()) {
            return;
        }
        s.noticeShown = false; // reports come again once a stalled installation moves on
        const bool whole = e.value >= 100;
        Bar(whole ? 200 : static_cast<int>(e.value) + 100);
        if (whole) {
            Status(StatusText::Empty);
        } else {
            Status(StatusText::Installed, static_cast<int>(e.value));
        }
        RepaintStatus(false);
    }

    void OnInstallDone() {
        if (!Installing()) {
            return;
        }
        GoTo(PAGE_DONE);
        Emit({ActionKind::RepaintWindow});
    }

    void OnStalled(StatusText notice, bool applies) {
        if (!applies) {
            return;
        }
        s.noticeShown = true;
        Status(notice);
        RepaintStatus(true);
    }

    void OnOldRemoved() {
        if (!Uninstalling()) {
            return;
        }
        s.noticeShown = false; // a slow uninstaller that got there after all
        s.installerStarted = true;
        Emit({ActionKind::StartInstaller});
    }

    void Handle(const WizardEvent& e) {
        if (s.quitting) {
            return; // the quit sequence has run: nothing more happens
        }
        const bool asking = s.question != Question::None;
        switch (e.kind) {
        case EventKind::StartClicked:
            if (!asking) { // defence in depth: no question is ever open on the first page
                OnStart(e);
            }
            break;
        case EventKind::CloseClicked:
            if (!asking) {
                OnClose(e);
            }
            break;
        case EventKind::CancelClicked:
            if (!asking) {
                OnCancel();
            }
            break;
        case EventKind::FinishClicked:
            if (!asking && s.page == PAGE_DONE) {
                Quit(true);
            }
            break;
        case EventKind::QuestionAnswered:
            OnAnswer(e);
            break;
        case EventKind::DownloadProgress:
            OnProgress(e);
            break;
        case EventKind::AttemptEnded:
            OnAttemptEnded(e);
            break;
        case EventKind::Verdict:
            OnVerdict(e);
            break;
        case EventKind::StageTimer:
            OnStageTimer(e);
            break;
        case EventKind::NetState:
            OnNetState(e);
            break;
        case EventKind::InstallProgress:
            OnInstallProgress(e);
            break;
        case EventKind::InstallDone:
            OnInstallDone();
            break;
        case EventKind::InstallFailed:
            OnStalled(StatusText::InstallFailed, Installing());
            break;
        case EventKind::OldRemovalFailed:
            OnStalled(StatusText::OldRemovalFailed, Uninstalling());
            break;
        case EventKind::OldRemoved:
            OnOldRemoved();
            break;
        case EventKind::WindowDestroyed:
            Quit(true);
            break;
        }
    }

private:
    std::vector<WizardAction> out;
};

} // namespace

WizardStep Advance(const WizardState& state, const WizardEvent& event) {
    Step step(state);
    step.Handle(event);
    return step.Done();
}
