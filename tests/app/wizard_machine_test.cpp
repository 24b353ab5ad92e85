// The wizard's decisions: the roads late and repeated events used to spoil, one test
// each, then many seeded random interleavings against the model of the world around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "app/wizard_machine.h"
#include "wizard_world.h"

namespace {

// Drives the machine by hand and keeps every action it asked for.
class Wizard {
public:
    std::vector<WizardAction> Send(WizardEvent event) {
        WizardStep step = Advance(state, event);
        state = step.state;
        all.insert(all.end(), step.actions.begin(), step.actions.end());
        return step.actions;
    }
    std::vector<WizardAction> Send(EventKind kind, bool flag = false) {
        WizardEvent event{kind};
        event.flag = flag;
        return Send(event);
    }
    std::vector<WizardAction> Progress(unsigned attempt, std::uint32_t done) {
        WizardEvent event{EventKind::DownloadProgress};
        event.attempt = attempt;
        event.total = 100;
        event.done = done;
        return Send(event);
    }
    // By default the back-off's draw is the largest, so the pause is its bound.
    std::vector<WizardAction> Ended(unsigned attempt, AttemptOutcome outcome,
                                    std::uint32_t nowMs = 0, std::uint32_t serviceWaitMs = 0,
                                    std::uint32_t draw = 0xFFFFFFFFu) {
        WizardEvent event{EventKind::AttemptEnded};
        event.attempt = attempt;
        event.outcome = outcome;
        event.nowMs = nowMs;
        event.serviceWaitMs = serviceWaitMs;
        event.draw = draw;
        return Send(event);
    }
    std::vector<WizardAction> Timer(unsigned timer, int page) {
        WizardEvent event{EventKind::StageTimer};
        event.timer = timer;
        event.page = page;
        return Send(event);
    }
    std::vector<WizardAction> Verdict(unsigned attempt, bool good) {
        WizardEvent event{EventKind::Verdict};
        event.attempt = attempt;
        event.flag = good;
        return Send(event);
    }
    std::vector<WizardAction> Net(bool connected, std::uint32_t nowMs) {
        WizardEvent event{EventKind::NetState};
        event.flag = connected;
        event.nowMs = nowMs;
        return Send(event);
    }

    // The download of attempt 1 whole, and the verify page with its timer (number 1).
    void ToVerifyPage() {
        Send(EventKind::StartClicked, true);
        Progress(1, 100);
        ASSERT_EQ(state.page, PAGE_VERIFY);
        ASSERT_EQ(state.timer, 1u);
    }

    WizardState state;
    std::vector<WizardAction> all;
};

int Count(const std::vector<WizardAction>& actions, ActionKind kind) {
    return static_cast<int>(std::count_if(
        actions.begin(), actions.end(), [kind](const WizardAction& a) { return a.kind == kind; }));
}

const WizardAction* Find(const std::vector<WizardAction>& actions, ActionKind kind) {
    for (const WizardAction& action : actions) {
        if (action.kind == kind) {
            return &action;
        }
    }
    return nullptr;
}

// A verdict that lands before the verify page's own timer used to leave that timer to
// run out on the next page and start the installer there, and again on its own timer.
TEST(WizardMachine, AStaleStageTimerStartsNothing) {
    Wizard w;
    w.ToVerifyPage();
    w.Ended(1, AttemptOutcome::Placed);
    w.Send(EventKind::CancelClicked);
    w.Send(EventKind::QuestionAnswered, false); // declined: attempt 2
    w.Ended(2, AttemptOutcome::Placed);
    EXPECT_EQ(Count(w.all, ActionKind::StartVerification), 0) << "the timer has not run out";
    w.Timer(1, PAGE_VERIFY);
    ASSERT_EQ(Count(w.all, ActionKind::StartVerification), 1);
    w.Verdict(2, true);
    ASSERT_EQ(w.state.page, PAGE_INSTALL);
    EXPECT_EQ(Count(w.Timer(1, PAGE_INSTALL), ActionKind::StartInstaller), 0) << "told twice";
    EXPECT_EQ(Count(w.Timer(2, PAGE_INSTALL), ActionKind::StartInstaller), 1);
    EXPECT_EQ(Count(w.Timer(2, PAGE_INSTALL), ActionKind::StartInstaller), 0);
}

// The verify page's timer ran out while the page stood, but its message came after a
// failed attempt had left the page: the page that comes again still waits its own second.
TEST(WizardMachine, ATimerOfAPageLeftMeanwhileCountsForNothing) {
    Wizard w;
    w.ToVerifyPage();
    w.Send(EventKind::CancelClicked);
    w.Send(EventKind::QuestionAnswered, false);
    w.Ended(2, AttemptOutcome::Failed, 0, 0, 0);
    w.Net(true, 0);
    ASSERT_EQ(w.state.page, PAGE_DOWNLOAD);
    w.Timer(1, PAGE_VERIFY);
    w.Ended(3, AttemptOutcome::Placed);
    ASSERT_EQ(w.state.page, PAGE_VERIFY);
    EXPECT_EQ(Count(w.all, ActionKind::StartVerification), 0);
    EXPECT_EQ(Count(w.Timer(w.state.timer, PAGE_VERIFY), ActionKind::StartVerification), 1);
}

// The verdict on an attempt's file counts only while that attempt is current: after a
// declined cancel question the newer attempt's file is the one to judge.
TEST(WizardMachine, AVerdictOnAReplacedAttemptIsNotActedOn) {
    Wizard w;
    w.ToVerifyPage();
    w.Ended(1, AttemptOutcome::Placed);
    w.Timer(1, PAGE_VERIFY);
    ASSERT_EQ(w.state.verifying, 1u);
    w.Send(EventKind::CancelClicked);
    const auto declined = w.Send(EventKind::QuestionAnswered, false);
    const WizardAction* started = Find(declined, ActionKind::StartAttempt);
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(started->attempt, 2u) << "numbered when started, on the window's side";
    const auto stale = w.Verdict(1, true);
    EXPECT_EQ(Count(stale, ActionKind::RetireAttempts), 0);
    ASSERT_NE(Find(stale, ActionKind::LetGoOfInstaller), nullptr);
    EXPECT_EQ(w.state.page, PAGE_VERIFY);
    const auto placed = w.Ended(2, AttemptOutcome::Placed);
    ASSERT_NE(Find(placed, ActionKind::StartVerification), nullptr);
    EXPECT_EQ(Find(placed, ActionKind::StartVerification)->attempt, 2u);
    const auto accepted = w.Verdict(2, true);
    EXPECT_EQ(Count(accepted, ActionKind::RetireAttempts), 1);
    EXPECT_EQ(w.state.accepted, 2u);
}

// An attempt that placed nothing is never verified (an error page can reach "100 %"),
// and the fresh download after the damaged question starts with nothing stopped.
TEST(WizardMachine, OnlyAPlacedFileIsVerifiedAndAFreshDownloadStartsClean) {
    Wizard w;
    w.ToVerifyPage();
    w.Timer(1, PAGE_VERIFY);
    w.Ended(1, AttemptOutcome::Failed, 1000);
    EXPECT_EQ(Count(w.all, ActionKind::StartVerification), 0);
    EXPECT_EQ(w.state.page, PAGE_OFFLINE);

    w.Net(true, 1000 + 5000); // the pause after one failure is over
    w.Progress(2, 100);
    w.Ended(2, AttemptOutcome::Placed);
    w.Timer(w.state.timer, PAGE_VERIFY);
    const auto damaged = w.Verdict(2, false);
    ASSERT_EQ(w.state.question, Question::Damaged);
    ASSERT_NE(Find(damaged, ActionKind::LetGoOfInstaller), nullptr);
    w.state.transferStopped = true; // whatever stopped a transfer before the question
    const auto fresh = w.Send(EventKind::QuestionAnswered, true);
    const auto stop = std::find_if(fresh.begin(), fresh.end(), [](const WizardAction& a) {
        return a.kind == ActionKind::StopTransfer;
    });
    const auto start = std::find_if(fresh.begin(), fresh.end(), [](const WizardAction& a) {
        return a.kind == ActionKind::StartAttempt;
    });
    ASSERT_NE(stop, fresh.end());
    ASSERT_NE(start, fresh.end());
    EXPECT_FALSE(stop->flag);
    EXPECT_LT(stop - fresh.begin(), start - fresh.begin());
    EXPECT_EQ(w.state.maxPercent, 0);
    EXPECT_EQ(w.state.page, PAGE_DOWNLOAD);
}

// The banner's count: each lost-connection report and each failed attempt counts one;
// back online after a real outage starts it afresh, the end of a pause after failed
// attempts does not.
TEST(WizardMachine, RetryCountStartsAfreshAfterAnOutageOnlyAndRunsOnForFailures) {
    Wizard w;
    w.Send(EventKind::StartClicked, true);
    w.Progress(1, 30);
    for (int report = 1; report <= 3; ++report) {
        w.Net(false, 0);
        EXPECT_EQ(w.state.retryCount, report);
    }
    w.Net(true, 0);
    EXPECT_EQ(w.state.retryCount, 0);
    EXPECT_EQ(w.state.page, PAGE_DOWNLOAD);
    w.Ended(2, AttemptOutcome::Failed, 100000);
    EXPECT_EQ(w.state.retryCount, 1);
    w.Net(true, 100000 + 4999);
    EXPECT_EQ(w.state.page, PAGE_OFFLINE) << "the pause of 5 s is not over";
    w.Net(true, 100000 + 5000);
    EXPECT_EQ(w.state.page, PAGE_DOWNLOAD);
    EXPECT_EQ(w.state.retryCount, 1);
    w.Ended(3, AttemptOutcome::Failed, 200000);
    EXPECT_EQ(w.state.retryCount, 2);
    EXPECT_EQ(w.state.pauseMs, 10000u);
    // The connection lost during that pause: once back, the download goes on at once.
    w.Net(false, 201000);
    w.Net(true, 201000);
    EXPECT_EQ(w.state.page, PAGE_DOWNLOAD) << "a lost connection waited out a failure's pause";
}

// A busy service's Retry-After sets the pause (capped at 30 minutes) and counts as a
// failed attempt on the banner; without one the pause is drawn below the back-off's bound.
TEST(WizardMachine, ABusyServiceIsWaitedForAsItAsksAndOthersWithJitter) {
    Wizard w;
    w.Send(EventKind::StartClicked, true);
    w.Ended(1, AttemptOutcome::Failed, 1000, 20000);
    EXPECT_EQ(w.state.page, PAGE_OFFLINE);
    EXPECT_EQ(w.state.retryCount, 1);
    w.Net(true, 1000 + 19999);
    EXPECT_EQ(w.state.page, PAGE_OFFLINE) << "asked again before the service's 20 s";
    w.Net(true, 1000 + 20000);
    EXPECT_EQ(w.state.page, PAGE_DOWNLOAD);
    w.Ended(2, AttemptOutcome::Failed, 100000, 5 * 3600 * 1000);
    EXPECT_EQ(w.state.pauseMs, 30u * 60 * 1000) << "a service's wait is capped";
    EXPECT_EQ(w.state.retryCount, 2);
    w.Net(true, 100000 + 30 * 60 * 1000);
    w.Ended(3, AttemptOutcome::Failed, 2000000, 0, 0x80000000u);
    EXPECT_EQ(w.state.pauseMs, 10000u) << "half the draw, half the third failure's bound";
}

// A stalled installer's notice lets the close button end the program; a value that moves
// again takes the notice away, and a new stall brings it back.
TEST(WizardMachine, InstallerNoticeComesAndGoesWithTheStalls) {
    Wizard w;
    w.ToVerifyPage();
    w.Ended(1, AttemptOutcome::Placed);
    w.Timer(1, PAGE_VERIFY);
    w.Verdict(1, true);
    w.Timer(2, PAGE_INSTALL);
    ASSERT_TRUE(w.state.installerStarted);
    EXPECT_TRUE(w.Send(EventKind::CloseClicked, true).empty());
    w.Send(EventKind::InstallFailed);
    EXPECT_TRUE(w.state.noticeShown);
    WizardEvent moved{EventKind::InstallProgress};
    moved.value = 60;
    w.Send(moved);
    EXPECT_FALSE(w.state.noticeShown);
    EXPECT_TRUE(w.Send(EventKind::CloseClicked, true).empty());
    w.Send(EventKind::InstallFailed);
    EXPECT_EQ(Count(w.Send(EventKind::CloseClicked, true), ActionKind::Quit), 1);
}

// Random runs: how many, and how long each, come from the environment for a long run
// (TIDEWELL_WIZARD_RUNS, TIDEWELL_WIZARD_STEPS, TIDEWELL_WIZARD_SEED).
unsigned FromEnvironment(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? static_cast<unsigned>(std::strtoul(text, nullptr, 10))
                                            : fallback;
}

struct RunResult {
    std::optional<std::string> broken;
    std::vector<std::string> trace;
    std::size_t movesUsed = 0;
    bool finished = false;
};

RunResult RunChoices(const std::vector<std::uint32_t>& choices, bool oldEdition, bool calm) {
    WizardWorld world(oldEdition, calm);
    RunResult result;
    for (std::uint32_t choice : choices) {
        ++result.movesUsed;
        const bool goesOn = world.Move(choice);
        if (world.Broken() || !goesOn) {
            break;
        }
    }
    result.broken = world.Broken();
    result.trace = world.Trace();
    result.finished = world.Machine().page == PAGE_DONE;
    return result;
}

// The shortest list of choices that still breaks a rule: drop ever smaller chunks.
std::vector<std::uint32_t> Shrink(std::vector<std::uint32_t> choices, bool oldEdition, bool calm) {
    for (std::size_t chunk = choices.size() / 2; chunk >= 1; chunk /= 2) {
        for (std::size_t at = 0; at + chunk <= choices.size();) {
            std::vector<std::uint32_t> shorter(choices);
            shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(at),
                          shorter.begin() + static_cast<std::ptrdiff_t>(at + chunk));
            if (RunChoices(shorter, oldEdition, calm).broken) {
                choices = std::move(shorter);
            } else {
                at += chunk;
            }
        }
    }
    return choices;
}

TEST(WizardMachine, HoldsItsRulesUnderRandomInterleavings) {
    const unsigned runs = FromEnvironment("TIDEWELL_WIZARD_RUNS", 3000);
    const unsigned steps = FromEnvironment("TIDEWELL_WIZARD_STEPS", 300);
    const unsigned firstSeed = FromEnvironment("TIDEWELL_WIZARD_SEED", 1);
    unsigned finished = 0;
    for (unsigned seed = firstSeed; seed < firstSeed + runs; ++seed) {
        std::mt19937 random(seed);
        std::vector<std::uint32_t> choices(steps);
        for (std::uint32_t& choice : choices) {
            choice = random();
        }
        const bool oldEdition = seed % 2 == 0;
        const bool calm = seed % 4 < 2;
        const RunResult result = RunChoices(choices, oldEdition, calm);
        finished += result.finished;
        if (!result.broken) {
            continue;
        }
        const std::vector<std::uint32_t> shortest = Shrink(choices, oldEdition, calm);
        const RunResult shown = RunChoices(shortest, oldEdition, calm);
        std::ostringstream trace;
        for (const std::string& line : shown.trace) {
            trace << "  " << line << "\n";
        }
        FAIL() << "seed " << seed << ": " << *result.broken << "\nshortest run ("
               << shown.trace.size() << " events): " << shown.broken.value_or("?") << "\n"
               << trace.str();
    }
    std::printf("%u runs of up to %u moves, %u reached the finish page\n", runs, steps, finished);
    EXPECT_GT(finished, 0u) << "no run got as far as the finish page: the model is too hostile";
}

} // namespace
