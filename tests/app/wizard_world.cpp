#include "wizard_world.h"

#include <algorithm>
#include <functional>

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
} // namespace

void WizardWorld::Break(const std::string& rule) {
    if (!broken_) {
        broken_ = rule;
    }
}

bool WizardWorld::Move(std::uint32_t choice) {
    if (machine_.quitting) {
        return false;
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
    moves.push_back([this](std::uint32_t detail) {
        WizardEvent event = Event(EventKind::NetState);
        event.flag = !interruptNet_ || detail % 3 != 0;
        event.nowMs = nowMs_;
        queue_.push_back(event);
    });
    moves.push_back([this](std::uint32_t detail) { nowMs_ += 1000 + detail % 70000; });
    if (installerRunning_) {
        moves.push_back([this](std::uint32_t detail) {
            WizardEvent event = Event(detail % 5 == 0   ? EventKind::InstallDone
                                      : detail % 5 == 1 ? EventKind::InstallFailed
                                                        : EventKind::InstallProgress);
            event.value = detail % 130;
            queue_.push_back(event);
        });
    }
    if (uninstallerRunning_) {
        moves.push_back([this](std::uint32_t detail) {
            queue_.push_back(
                Event(detail % 3 == 0 ? EventKind::OldRemovalFailed : EventKind::OldRemoved));
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
            Deliver(event);
        });
    }
    if (machine_.question != Question::None) {
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
    return !machine_.quitting;
}

void WizardWorld::EndAttempt(unsigned attempt, std::uint32_t how) {
    running_.erase(attempt);
    WizardEvent event = Event(EventKind::AttemptEnded);
    event.attempt = attempt;
    event.nowMs = nowMs_;
    const bool mayReport = attempt == current_ && !stopped_ && !retired_ && !quit_;
    if (!mayReport) {
        event.outcome = AttemptOutcome::Stopped;
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
        verifying_.insert(action.attempt);
        break;
    case ActionKind::LetGoOfInstaller:
        if (heldFor_ == action.attempt) {
            heldFor_ = 0;
        }
        break;
    case ActionKind::ArmTimer:
        armedOn_[action.timer] = machine_.timerPage;
        timerPage_[action.timer] = machine_.timerPage;
        break;
    case ActionKind::StartUninstaller:
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
        installerRunning_ = true;
        uninstallerRunning_ = false;
        heldFor_ = 0; // the shell lets go once the installation is complete
        break;
    }
    case ActionKind::CleanWorkingFiles:
        if (heldFor_ == 0) {
            fileAuthor_ = 0;
        }
        shownPercent_ = 0; // a fresh download shows its own count from 0
        break;
    case ActionKind::SetStatus:
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
    case ActionKind::SetBar:
    case ActionKind::RepaintStatus:
    case ActionKind::RepaintWindow:
    case ActionKind::StartSlideshow:
    case ActionKind::StartNetWatch:
    case ActionKind::PostRetryCount:
    case ActionKind::EndOldSuite:
    case ActionKind::BustCache:
    case ActionKind::Ask:
        break;
    }
}

void WizardWorld::CheckStep(const WizardState& before, const WizardEvent& event,
                            const std::vector<WizardAction>& actions) {
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
    // The retry count: one more for each report of a lost connection and each failed
    // attempt; back to 0 once the download moves on, and when the connection is back
    // after a real outage; kept when the pause after failed attempts ends.
    const WizardState& after = machine_;
    const bool resumed = before.offlinePaused && !after.offlinePaused && !after.quitting &&
                         event.kind == EventKind::NetState;
    if (resumed && before.pauseCause == PauseCause::Outage && after.retryCount != 0) {
        Break("the retry count did not start afresh after an outage");
    }
    if (resumed && before.pauseCause != PauseCause::Outage &&
        after.retryCount != before.retryCount) {
        Break("the retry count of failed attempts did not run on");
    }
    const bool countedOne = std::any_of(actions.begin(), actions.end(), [](const WizardAction& a) {
        return a.kind == ActionKind::PostRetryCount;
    });
    if (countedOne && after.retryCount != before.retryCount + 1 &&
        after.maxPercent == before.maxPercent) {
        Break("a pause did not count one retry");
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
        leadsOn = attemptGoesOn || m.offlinePaused;
        break;
    case PAGE_OFFLINE:
        leadsOn = m.offlinePaused;
        break;
    case PAGE_VERIFY:
        leadsOn = attemptGoesOn || timerGoesOn || verdictComes;
        break;
    case PAGE_REMOVE_OLD:
        leadsOn = timerGoesOn || uninstallerRunning_ || installerRunning_ || m.noticeShown;
        break;
    case PAGE_INSTALL:
        leadsOn = timerGoesOn || installerRunning_ || m.noticeShown;
        break;
    default:
        break; // the first and the last page wait for the user
    }
    if (!leadsOn) {
        Break("page " + std::to_string(m.page) + " waits for nothing that can still come");
    }
}
