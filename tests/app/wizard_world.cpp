#include "wizard_world.h"

#include <algorithm>
#include <functional>

#include "app/retry_pacing.h"
#include "app/support_log_lines.h"

namespace {
std::string Describe(const WizardEvent& e) {
    std::string text = EventKindName(e.kind);
    text += "(attempt " + std::to_string(e.attempt) + ", " + std::to_string(e.done) + "/" +
            std::to_string(e.total) + ", outcome " + std::to_string(static_cast<int>(e.outcome)) +
            ", flag " + std::to_string(e.flag) + ", timer " + std::to_string(e.timer) + ", page " +
            std::to_string(e.page) + ", value " + std::to_string(e.value) + ")";
    return text;
}

WizardEvent Event(EventKind kind) {
    WizardEvent event{kind};
    return event;
}

bool IsStage(ActionKind kind) {
    return kind == ActionKind::StartVerification || kind == ActionKind::StartUninstaller ||
           kind == ActionKind::StartInstaller;
}

bool Has(const std::vector<WizardAction>& actions, ActionKind kind) {
    return std::any_of(actions.begin(), actions.end(),
                       [kind](const WizardAction& a) { return a.kind == kind; });
}

bool DownloadPage(int page) {
    return page == PAGE_DOWNLOAD || page == PAGE_OFFLINE;
}

// The pages whose paint draws the status line.
bool DrawsStatusLine(int page) {
    return page == PAGE_DOWNLOAD || page == PAGE_INSTALL || page == PAGE_REMOVE_OLD ||
           page == PAGE_OFFLINE;
}
} // namespace

bool WizardWorld::Queued(EventKind kind) const {
    return std::any_of(queue_.begin(), queue_.end(),
                       [kind](const WizardEvent& e) { return e.kind == kind; });
}

void WizardWorld::Break(const std::string& rule) {
    if (!broken_) {
        broken_ = rule;
    }
}

bool WizardWorld::Move(std::uint32_t choice) {
    if (machine_.quitting) {
        // Reports still on their way reach a program that has quit: they change nothing.
        if (queue_.empty()) {
            return false;
        }
        const auto at = queue_.begin() + static_cast<std::ptrdiff_t>(choice % queue_.size());
        const WizardEvent event = *at;
        queue_.erase(at);
        Deliver(event);
        return !queue_.empty();
    }
    // Every move open now, in a fixed order; the choice picks one, and what remains of
    // it picks the details.
    std::vector<std::function<void(std::uint32_t)>> moves;
    for (std::size_t i = 0; i < queue_.size(); ++i) {
        moves.push_back([this, i](std::uint32_t) {
            const WizardEvent event = queue_[i];
            queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(i));
            Deliver(event);
        });
    }
    if (!handled_.empty()) { // a report told twice, long after the first
        moves.push_back(
            [this](std::uint32_t detail) { queue_.push_back(handled_[detail % handled_.size()]); });
    }
    for (auto& [number, attempt] : running_) {
        const unsigned attemptNumber = number;
        // OnProgress reports only for the current attempt while nothing asked it to stop;
        // what it sent may still arrive after that has changed.
        if (attemptNumber == current_ && !stopped_ && !retired_) {
            moves.push_back([this, attemptNumber](std::uint32_t detail) {
                Attempt& a = running_[attemptNumber];
                a.done = std::min<std::uint32_t>(100, a.done + detail % 60);
                WizardEvent event = Event(EventKind::DownloadProgress);
                event.attempt = attemptNumber;
                event.total = detail % 7 == 0 ? 0 : 100;
                event.done = a.done;
                queue_.push_back(event);
            });
        }
        moves.push_back(
            [this, attemptNumber](std::uint32_t detail) { EndAttempt(attemptNumber, detail); });
    }
    for (unsigned verification : verifying_) {
        moves.push_back([this, verification](std::uint32_t) { FinishVerification(verification); });
    }
    for (auto& [timer, page] : armedOn_) {
        const unsigned timerNumber = timer;
        moves.push_back([this, timerNumber](std::uint32_t) {
            armedOn_.erase(timerNumber);
            WizardEvent event = Event(EventKind::StageTimer);
            event.timer = timerNumber;
            event.page = machine_.page; // the page of the moment it runs out
            queue_.push_back(event);
        });
    }
    // In a calm run the user and the network act on one choice in sixteen.
    const bool interrupt = !calm_ || (choice >> 28) == 0;
    if (netWatch_) {
        moves.push_back([this](std::uint32_t detail) {
            if (!DownloadPage(machine_.page)) {
                netWatch_ = false; // it looked at the page and ended
                return;
            }
            WizardEvent event = Event(EventKind::NetState);
            event.flag = !interruptNet_ || detail % 3 != 0;
            event.nowMs = nowMs_;
            queue_.push_back(event);
        });
    }
    moves.push_back([this](std::uint32_t detail) { nowMs_ += 1000 + detail % 70000; });
    if (installerRunning_) {
        moves.push_back([this](std::uint32_t detail) {
            WizardEvent event = Event(detail % 5 == 0   ? EventKind::InstallDone
                                      : detail % 5 == 1 ? EventKind::InstallFailed
                                                        : EventKind::InstallProgress);
            event.value = (detail / 5) % 130;
            installerRunning_ = event.kind != EventKind::InstallDone; // its last word
            queue_.push_back(event);
        });
    }
    if (uninstallerRunning_) {
        moves.push_back([this](std::uint32_t detail) {
            const bool removed = detail % 3 != 0;
            uninstallerRunning_ = !removed;
            queue_.push_back(Event(removed ? EventKind::OldRemoved : EventKind::OldRemovalFailed));
        });
    }
    // The user. A question is modal: its answer is the only input then, but the
    // window's other controls are tried anyway (the machine must ignore them).
    if (interrupt || machine_.page == PAGE_AGREE || machine_.page == PAGE_DONE) {
        moves.push_back([this](std::uint32_t detail) {
            static const EventKind kClicks[] = {EventKind::StartClicked, EventKind::CloseClicked,
                                                EventKind::CancelClicked, EventKind::FinishClicked};
            WizardEvent event = Event(kClicks[detail % 4]);
            event.flag = (detail / 4) % 4 != 0; // the box checked; the clean-up box checked
            if (calm_ && event.kind == EventKind::CloseClicked && machine_.page == PAGE_AGREE) {
                event.kind = EventKind::StartClicked;
            }
            if ((detail / 16) % 64 == 0) {
                event.kind = EventKind::WindowDestroyed; // the session ends, say
            }
            Deliver(event);
        });
    }
    if (asked_ != Question::None) {
        for (bool ok : {false, true}) {
            moves.push_back([this, ok](std::uint32_t) {
                WizardEvent event = Event(EventKind::QuestionAnswered);
                event.flag = ok;
                Deliver(event);
            });
        }
    }
    interruptNet_ = interrupt;
    const std::uint32_t picked = choice % static_cast<std::uint32_t>(moves.size());
    moves[picked](choice / static_cast<std::uint32_t>(moves.size()));
    return !machine_.quitting || !queue_.empty();
}

void WizardWorld::EndAttempt(unsigned attempt, std::uint32_t how) {
    running_.erase(attempt);
    WizardEvent event = Event(EventKind::AttemptEnded);
    event.attempt = attempt;
    event.nowMs = nowMs_;
    // A failed attempt's back-off draw, and now and then a busy service's own wait.
    event.draw = how * 2654435761u;
    event.serviceWaitMs = (how / 4) % 8 == 0 ? (how / 32) % 90000 : 0;
    const bool mayReport = attempt == current_ && !stopped_ && !retired_ && !quit_;
    if (!mayReport) {
        // Told to stop, it says so; but a failure (a full disk) may beat the stop to it.
        event.outcome = quit_ || how % 8 >= 2 ? AttemptOutcome::Stopped
                        : how % 8 == 0        ? AttemptOutcome::Failed
                                              : AttemptOutcome::DiskFull;
        endedAfterStop_.insert(attempt);
    } else if (how % 4 == 0) {
        event.outcome = AttemptOutcome::Failed;
    } else if (how % 4 == 1) {
        event.outcome = AttemptOutcome::DiskFull;
    } else if (heldFor_ != 0) {
        // The file is held for the installer: nothing can move another over it.
        event.outcome = AttemptOutcome::Failed;
    } else {
        fileAuthor_ = attempt;
        event.outcome = AttemptOutcome::Placed;
    }
    queue_.push_back(event);
}

void WizardWorld::FinishVerification(unsigned attempt) {
    verifying_.erase(attempt);
    // It judged what lay in the working file when it opened it, and holds that file.
    const unsigned author = fileAuthor_;
    const bool good = author != 0 && attempts_[author].good;
    verifiedAuthor_[attempt] = author;
    if (good && attempt >= heldFor_) {
        heldFor_ = attempt;
        heldAuthor_ = author;
    }
    WizardEvent event = Event(EventKind::Verdict);
    event.attempt = attempt;
    event.flag = good;
    event.oldEdition = oldEdition_;
    queue_.push_back(event);
}

void WizardWorld::Deliver(const WizardEvent& event) {
    switch (event.kind) {
    case EventKind::StartClicked:
    case EventKind::CloseClicked:
    case EventKind::CancelClicked:
    case EventKind::FinishClicked:
    case EventKind::QuestionAnswered:
    case EventKind::WindowDestroyed:
        break; // the user's input is never told twice
    default:
        handled_.push_back(event);
        break;
    }
    if (event.kind == EventKind::QuestionAnswered) {
        asked_ = Question::None; // the message box closed
    }
    if (event.kind == EventKind::AttemptEnded && event.outcome == AttemptOutcome::Placed) {
        placedReported_.insert(event.attempt);
    }
    // A stage stalls when its worker says so, and stands again once it reports on.
    const bool installing = installerStarts_ == 1 &&
                            (machine_.page == PAGE_INSTALL || machine_.page == PAGE_REMOVE_OLD);
    const bool uninstalling =
        uninstallerStarts_ == 1 && installerStarts_ == 0 && machine_.page == PAGE_REMOVE_OLD;
    if (installing &&
        (event.kind == EventKind::InstallFailed || event.kind == EventKind::InstallProgress)) {
        stalled_ = event.kind == EventKind::InstallFailed;
    }
    if (uninstalling &&
        (event.kind == EventKind::OldRemovalFailed || event.kind == EventKind::OldRemoved)) {
        stalled_ = event.kind == EventKind::OldRemovalFailed;
    }
    if (event.kind == EventKind::StageTimer && event.timer == verifyTimer_ &&
        event.page == PAGE_VERIFY) {
        verifyTimerRanOut_ = true;
    }
    statusSet_ = statusRepainted_ = wholeRepainted_ = false;
    const WizardState before = machine_;
    const WizardStep step = Advance(machine_, event);
    for (const std::string& line : stepLog_.Lines(nowMs_, before, event, step)) {
        log_ += line + "\n";
    }
    machine_ = step.state;
    trace_.push_back(Describe(event) + " -> page " + std::to_string(machine_.page));
    for (const WizardAction& action : step.actions) {
        trace_.back() += std::string(" ") + ActionKindName(action.kind);
        CarryOut(action, event);
    }
    CheckStep(before, event, step.actions);
    CheckWayOn();
}

void WizardWorld::CarryOut(const WizardAction& action, const WizardEvent& cause) {
    switch (action.kind) {
    case ActionKind::StartAttempt:
        if (action.attempt != current_ + 1) {
            Break("attempt numbers must rise one by one");
        }
        if (damagedPending_ && !(cleaned_ && busted_)) {
            Break("the download after a damaged file did not start from nothing, past caches");
        }
        damagedPending_ = false;
        current_ = action.attempt;
        attempts_[current_].good = (cause.nowMs + current_) % 3 != 0;
        running_[current_] = attempts_[current_];
        break;
    case ActionKind::StopTransfer:
        stopped_ = action.flag;
        break;
    case ActionKind::RetireAttempts:
        retired_ = true;
        if (cause.kind != EventKind::Verdict || cause.attempt != current_) {
            Break("a file was accepted on the verdict of an attempt that was not current");
        }
        break;
    case ActionKind::StartVerification:
        if (action.attempt != current_ || fileAuthor_ != action.attempt) {
            Break("a verification was started for a file its attempt did not place");
        }
        if (!verifyTimerRanOut_) {
            Break("the check started before the verify page's own timer ran out");
        }
        verifying_.insert(action.attempt);
        break;
    case ActionKind::LetGoOfInstaller:
        if (heldFor_ == action.attempt) {
            heldFor_ = 0;
        }
        break;
    case ActionKind::ArmTimer:
        if (machine_.timerPage == PAGE_VERIFY) {
            verifyTimer_ = action.timer;
        }
        armedOn_[action.timer] = machine_.timerPage;
        timerPage_[action.timer] = machine_.timerPage;
        break;
    case ActionKind::StartUninstaller:
        if (!oldSuiteEnded_) {
            Break("the old uninstaller started while the old programs may still run");
        }
        ++uninstallerStarts_;
        uninstallerRunning_ = true;
        break;
    case ActionKind::StartInstaller: {
        ++installerStarts_;
        const unsigned accepted = machine_.accepted;
        if (accepted == 0 || fileAuthor_ != accepted || heldFor_ != accepted ||
            heldAuthor_ != accepted || verifiedAuthor_[accepted] != accepted ||
            !attempts_[accepted].good) {
            Break("the installer started from a file that is not the accepted attempt's, "
                  "verified good and held since");
        }
        if ((uninstallerStarts_ != 0) != oldEdition_) {
            Break("the installer started without removing the old edition first, or removed "
                  "one that is not there");
        }
        installerRunning_ = true;
        uninstallerRunning_ = false;
        heldFor_ = 0; // the shell lets go once the installation is complete
        break;
    }
    case ActionKind::CleanWorkingFiles:
        if (heldFor_ == 0) {
            fileAuthor_ = 0;
        }
        cleaned_ = true;
        shownPercent_ = 0; // a fresh download shows its own count from 0
        break;
    case ActionKind::BustCache:
        busted_ = true;
        break;
    case ActionKind::SetStatus:
        statusText_ = action.status;
        statusValue_ = action.value;
        statusSet_ = true;
        if (action.status == StatusText::Downloaded) {
            if (action.value < shownPercent_) {
                Break("the shown percentage went back from " + std::to_string(shownPercent_) +
                      " to " + std::to_string(action.value));
            }
            shownPercent_ = action.value;
        }
        break;
    case ActionKind::Quit:
        quit_ = true;
        break;
    case ActionKind::GoToPage:
        shownPage_ = action.value;
        if (action.value == PAGE_VERIFY) {
            verifyTimer_ = 0;
            verifyTimerRanOut_ = false;
        }
        break;
    case ActionKind::SetBar:
        bar_ = action.value;
        break;
    case ActionKind::RepaintStatus:
        statusRepainted_ = true;
        break;
    case ActionKind::RepaintWindow:
        statusRepainted_ = wholeRepainted_ = true;
        break;
    case ActionKind::StartSlideshow:
        slideshow_ = true;
        break;
    case ActionKind::StartNetWatch:
        netWatch_ = true;
        break;
    case ActionKind::PostRetryCount:
        banner_ = action.value;
        break;
    case ActionKind::EndOldSuite:
        oldSuiteEnded_ = true;
        break;
    case ActionKind::Ask:
        asked_ = action.question;
        if (action.question == Question::Damaged) {
            damagedPending_ = true;
            cleaned_ = busted_ = false;
        }
        break;
    }
}

void WizardWorld::CheckStep(const WizardState& before, const WizardEvent& event,
                            const std::vector<WizardAction>& actions) {
    if (before.quitting) {
        if (!actions.empty()) {
            Break("something happened after the quit");
        }
        return;
    }
    if (before.page == PAGE_DONE &&
        std::any_of(actions.begin(), actions.end(), [](const WizardAction& a) {
            return a.kind != ActionKind::Quit && a.kind != ActionKind::LetGoOfInstaller;
        })) {
        Break("the finish page changed"); // a late verdict may still let go of its file
    }
    if (installerStarts_ > 1 || uninstallerStarts_ > 1) {
        Break("an installer was started twice");
    }
    for (const WizardAction& action : actions) {
        // Each stage starts on the timer armed for it (the verification also on the
        // placement it waited for, the installer also on the old edition's removal).
        if (!IsStage(action.kind)) {
            continue;
        }
        const bool byTimer = event.kind == EventKind::StageTimer &&
                             timerPage_.count(event.timer) != 0 &&
                             timerPage_[event.timer] == event.page;
        const bool allowed =
            byTimer ||
            (action.kind == ActionKind::StartVerification &&
             event.kind == EventKind::AttemptEnded) ||
            (action.kind == ActionKind::StartInstaller && event.kind == EventKind::OldRemoved);
        if (!allowed) {
            Break(std::string(ActionKindName(action.kind)) + " on a stale or foreign event");
        }
        if (byTimer && event.timer != before.timer) {
            Break("a stage started on a timer that was not the newest one armed");
        }
    }
    const WizardState& after = machine_;
    if (Has(actions, ActionKind::StartAttempt) &&
        (after.question != Question::None || after.offlinePaused || after.quitting)) {
        Break("an attempt started behind an open question or during a pause");
    }
    // While a question is open or the download waits, no transfer runs.
    if ((after.question != Question::None || after.offlinePaused) &&
        running_.count(current_) != 0 && !stopped_ && !retired_) {
        Break("a transfer runs on behind a question or a pause");
    }
    if (after.transferStopped != stopped_) {
        Break("the machine's idea of the stop flag is not the flag");
    }
    if ((after.pauseCause == PauseCause::None) == after.offlinePaused) {
        Break("a pause without its cause, or a cause without a pause");
    }
    CheckPacing(before, event, actions);
    CheckUser(before, event, actions);
    CheckWindow(before, event);
}

// The pauses and their count: one more for each report of a lost connection and each
// failed attempt; back to 0 once the download moves on (or starts afresh), and when the
// connection is back after a real outage; kept when the pause after failed attempts
// ends. A lost connection is retried the moment it is back; after failed attempts in a
// row the pause is the back-off's (or the busy service's); never behind a question.
void WizardWorld::CheckPacing(const WizardState& before, const WizardEvent& event,
                              const std::vector<WizardAction>& actions) {
    const WizardState& after = machine_;
    const bool progressed =
        after.maxPercent > before.maxPercent || Has(actions, ActionKind::CleanWorkingFiles);
    if (progressed) {
        failuresInRow_ = 0;
    }
    const bool lost = event.kind == EventKind::NetState && !event.flag && DownloadPage(before.page);
    const bool failed =
        event.kind == EventKind::AttemptEnded && !before.offlinePaused && after.offlinePaused;
    const bool resumed = event.kind == EventKind::NetState && before.offlinePaused &&
                         !after.offlinePaused && !after.quitting;
    int expectedCount = before.retryCount;
    if (lost || failed) {
        expectedCount = before.retryCount + 1;
    } else if (progressed || (resumed && before.pauseCause == PauseCause::Outage)) {
        expectedCount = 0;
    }
    if (after.retryCount != expectedCount) {
        Break("the retry count is " + std::to_string(after.retryCount) + ", not " +
              std::to_string(expectedCount));
    }
    if (lost) {
        if (!after.offlinePaused || after.page != PAGE_OFFLINE) {
            Break("a lost connection did not pause the download on the offline page");
        }
        pauseFor_ = 0;
    }
    if (event.kind == EventKind::AttemptEnded && event.outcome != AttemptOutcome::Placed &&
        event.outcome != AttemptOutcome::Stopped && endedAfterStop_.count(event.attempt) != 0 &&
        after.failedAttempts != before.failedAttempts) {
        Break("the failure of a transfer we stopped was counted");
    }
    if (failed) {
        ++failuresInRow_;
        pauseFrom_ = event.nowMs;
        pauseFor_ = PauseAfterFailureMs(failuresInRow_, event.draw, event.serviceWaitMs);
        if (after.pauseMs != pauseFor_) {
            Break("the pause after " + std::to_string(failuresInRow_) + " failures in a row is " +
                  std::to_string(after.pauseMs) + " ms, not " + std::to_string(pauseFor_));
        }
        const bool diskFull = event.outcome == AttemptOutcome::DiskFull;
        if (diskFull != (after.page == PAGE_DOWNLOAD && statusText_ == StatusText::DiskFull) ||
            diskFull == (after.page == PAGE_OFFLINE)) {
            Break("a full disk must be named on the download page, other failures go offline");
        }
    }
    if (event.kind == EventKind::NetState && event.flag && !after.quitting) {
        const bool due = before.offlinePaused && before.question == Question::None &&
                         DownloadPage(before.page) &&
                         static_cast<std::uint32_t>(event.nowMs - pauseFrom_) >= pauseFor_;
        if (resumed != due) {
            Break(due ? "connected again after the pause, the download did not go on"
                      : "the download went on before its pause was over or behind a question");
        }
        // A file placed just as the download paused is checked, not fetched again.
        const bool placed = placedReported_.count(before.attempt) != 0;
        if (resumed && (Has(actions, ActionKind::StartAttempt) == placed ||
                        placed != (after.page == PAGE_VERIFY))) {
            Break("the end of a pause did not go on with the file placed, or fetched it again");
        }
    }
    if (after.page == PAGE_OFFLINE && banner_ != after.retryCount) {
        Break("the banner shows " + std::to_string(banner_) + " retries, not " +
              std::to_string(after.retryCount));
    }
}

// The user's buttons and questions do what they say.
void WizardWorld::CheckUser(const WizardState& before, const WizardEvent& event,
                            const std::vector<WizardAction>& actions) {
    const WizardState& after = machine_;
    if (event.kind == EventKind::QuestionAnswered) {
        const bool ends = (before.question == Question::Cancel && event.flag) ||
                          (before.question == Question::Damaged && !event.flag);
        if (ends != after.quitting) {
            Break("an answer did not end the program as it says, or ended it unasked");
        }
        if (before.question == Question::Damaged && event.flag && after.page != PAGE_DOWNLOAD) {
            Break("a fresh download after a damaged file does not show the download page");
        }
    }
    const bool click =
        event.kind == EventKind::StartClicked || event.kind == EventKind::CloseClicked ||
        event.kind == EventKind::CancelClicked || event.kind == EventKind::FinishClicked;
    if (click && before.question != Question::None && !actions.empty()) {
        Break("a click behind the open question did something");
    }
    if ((event.kind == EventKind::FinishClicked && before.question == Question::None &&
         after.quitting != (before.page == PAGE_DONE)) ||
        (event.kind == EventKind::WindowDestroyed && !after.quitting)) {
        Break("the finish button works on the finish page only; a destroyed window ends all");
    }
    const bool installing = before.page == PAGE_INSTALL || before.page == PAGE_REMOVE_OLD;
    if ((after.page == PAGE_INSTALL || after.page == PAGE_REMOVE_OLD) &&
        after.noticeShown != stalled_) {
        Break("a stall notice stands without a stall, or a stall shows none");
    }
    if (event.kind == EventKind::CloseClicked && before.question == Question::None) {
        // The download page asks first; the installers go on unless stalled; elsewhere
        // the program ends.
        const bool expected = before.page == PAGE_DOWNLOAD ? after.question == Question::Cancel
                              : installing                 ? after.quitting == before.noticeShown
                                                           : after.quitting;
        if (!expected) {
            Break("the close button did not do what the page offers");
        }
    }
    for (const WizardAction& action : actions) {
        // Every way out cleans up the working files, but the close button with the
        // clean-up box unchecked outside the installation.
        const bool keeps = event.kind == EventKind::CloseClicked && !event.flag && !installing;
        if (action.kind == ActionKind::Quit && action.flag == keeps) {
            Break("a quit cleaned up against the clean-up box, or kept the files");
        }
    }
}

// What the window shows: the page the machine is on, the question it waits for, the
// download's highest percentage on the bar and the status line, and every new status
// text drawn.
void WizardWorld::CheckWindow(const WizardState& before, const WizardEvent& event) {
    const WizardState& after = machine_;
    if (wholeRepainted_) {
        wholePaintPage_ = after.page;
    }
    if (shownPage_ != after.page || asked_ != after.question) {
        Break("the window shows another page or question than the machine is on");
    }
    if ((after.page == PAGE_DONE) != (wholePaintPage_ == PAGE_DONE) ||
        (after.page != PAGE_AGREE && wholePaintPage_ == PAGE_AGREE)) {
        Break("the window was not repainted whole for the page it shows");
    }
    const bool downloading =
        after.page == PAGE_DOWNLOAD || after.page == PAGE_VERIFY || after.page == PAGE_OFFLINE;
    if (downloading && after.accepted == 0 && bar_ != after.maxPercent) {
        Break("the bar shows " + std::to_string(bar_) + ", the download is at " +
              std::to_string(after.maxPercent));
    }
    if (after.page == PAGE_DOWNLOAD) {
        // The start shows 0 % on the sliver of bar it draws, until the first report.
        const bool shows =
            after.pauseCause == PauseCause::DiskFull
                ? statusText_ == StatusText::DiskFull
                : statusText_ == StatusText::Downloaded &&
                      (statusValue_ == after.maxPercent || (statusValue_ == 0 && bar_ == 1));
        if (!shows || !slideshow_) {
            Break("the download page shows the wrong status or no slides");
        }
    }
    if (after.page == PAGE_REMOVE_OLD && !after.installerStarted &&
        statusText_ !=
            (after.noticeShown ? StatusText::OldRemovalFailed : StatusText::RemovingOld)) {
        Break("the old edition's removal is not named on the status line");
    }
    if (event.kind == EventKind::InstallProgress && after.installerStarted &&
        (after.page == PAGE_INSTALL || after.page == PAGE_REMOVE_OLD)) {
        const int value = static_cast<int>(std::min<std::uint32_t>(event.value, 100));
        const StatusText text = value == 100 ? StatusText::Empty : StatusText::Installed;
        if (bar_ != 100 + value || statusText_ != text || (value < 100 && statusValue_ != value)) {
            Break("the installation's progress is not what the bar and the status line show");
        }
    }
    if (after.noticeShown && !before.noticeShown &&
        statusText_ != (event.kind == EventKind::InstallFailed ? StatusText::InstallFailed
                                                               : StatusText::OldRemovalFailed)) {
        Break("a stalled stage's notice is not on the status line");
    }
    const bool newLine = (statusSet_ && after.page != PAGE_OFFLINE) ||
                         (after.page == PAGE_OFFLINE && before.page != PAGE_OFFLINE);
    if (DrawsStatusLine(after.page) && newLine && !statusRepainted_) {
        Break("a new status line was not drawn");
    }
}

void WizardWorld::CheckWayOn() {
    const WizardState& m = machine_;
    if (m.quitting || m.question != Question::None) {
        return; // ended, or the question's answer leads on
    }
    const auto queued = [this](EventKind kind, unsigned attempt) {
        return std::any_of(queue_.begin(), queue_.end(), [&](const WizardEvent& e) {
            return e.kind == kind && e.attempt == attempt;
        });
    };
    const bool attemptGoesOn = m.attemptRunning && (running_.count(m.attempt) != 0 ||
                                                    queued(EventKind::AttemptEnded, m.attempt));
    const bool timerGoesOn =
        m.timer != 0 && (armedOn_.count(m.timer) != 0 ||
                         std::any_of(queue_.begin(), queue_.end(), [&](const WizardEvent& e) {
                             return e.kind == EventKind::StageTimer && e.timer == m.timer;
                         }));
    const bool verdictComes = m.verifying != 0 && (verifying_.count(m.verifying) != 0 ||
                                                   queued(EventKind::Verdict, m.verifying));
    bool leadsOn = true;
    switch (m.page) {
    case PAGE_DOWNLOAD:
        leadsOn = (attemptGoesOn || m.offlinePaused) && netWatch_;
        break;
    case PAGE_OFFLINE:
        leadsOn = m.offlinePaused && netWatch_;
        break;
    case PAGE_VERIFY:
        leadsOn = attemptGoesOn || timerGoesOn || verdictComes;
        break;
    case PAGE_REMOVE_OLD:
        leadsOn = timerGoesOn || uninstallerRunning_ || Queued(EventKind::OldRemoved) ||
                  installerRunning_ || Queued(EventKind::InstallDone) || m.noticeShown;
        break;
    case PAGE_INSTALL:
        leadsOn =
            timerGoesOn || installerRunning_ || Queued(EventKind::InstallDone) || m.noticeShown;
        break;
    default:
        break; // the first and the last page wait for the user
    }
    if (!leadsOn) {
        Break("page " + std::to_string(m.page) + " waits for nothing that can still come");
    }
}
