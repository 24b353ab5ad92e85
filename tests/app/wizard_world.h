#pragma once
// A model of everything around the wizard's decision function: the download attempts
// and the rules their threads follow, the working file and who holds it, the
// verifications, the stage timers, the watchdog, the installers and the user. Every
// report a worker sends waits in a queue and may be delivered late, out of order or
// twice; the world checks, after every step, what must hold whatever the order.
//
// A run is a list of choices: each picks one of the moves open at that moment. The same
// list replays the same run, and a shorter list (a failure being shrunk) still makes a
// valid run, because a choice only ever picks among the moves open then.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/support_log_lines.h"
#include "app/wizard_machine.h"

class WizardWorld {
public:
    // `calm`: the user and the network interrupt seldom, so that runs also walk the
    // long roads to the finish page rather than only the shallow interleavings.
    WizardWorld(bool oldEditionRegistered, bool calm)
        : oldEdition_(oldEditionRegistered), calm_(calm) {}

    // Takes the move `choice` picks among those open now. False once nothing is open
    // (the program has ended).
    bool Move(std::uint32_t choice);

    // The first broken rule, if any.
    const std::optional<std::string>& Broken() const { return broken_; }
    // What happened, one line per delivered event and its actions.
    const std::vector<std::string>& Trace() const { return trace_; }
    // The support log the program would have written of this run.
    const std::string& Log() const { return log_; }
    const WizardState& Machine() const { return machine_; }
    int InstallerStarts() const { return installerStarts_; }

private:
    struct Attempt {
        bool good = true;       // what its file would be worth
        std::uint32_t done = 0; // bytes of a 100-byte installer reported so far
    };

    void Deliver(const WizardEvent& event);
    void CarryOut(const WizardAction& action, const WizardEvent& cause);
    void CheckStep(const WizardState& before, const WizardEvent& event,
                   const std::vector<WizardAction>& actions);
    void CheckWayOn();
    void Break(const std::string& rule);

    void CheckWindow(const WizardState& before, const WizardEvent& event);
    void CheckPacing(const WizardState& before, const WizardEvent& event,
                     const std::vector<WizardAction>& actions);
    void CheckUser(const WizardState& before, const WizardEvent& event,
                   const std::vector<WizardAction>& actions);

    void EndAttempt(unsigned attempt, std::uint32_t how);
    void FinishVerification(unsigned attempt);
    bool Queued(EventKind kind) const;

    bool oldEdition_;
    bool calm_;
    bool interruptNet_ = true; // this move may report the connection lost
    WizardState machine_;
    std::vector<WizardEvent> queue_;   // sent, not yet handled
    std::vector<WizardEvent> handled_; // for late repeats
    std::uint32_t nowMs_ = 0;

    // The attempts' shared rules (the registry): the newest one started is current; a
    // stopped, replaced or retired attempt reports nothing and places nothing.
    unsigned current_ = 0;
    bool stopped_ = false;
    bool retired_ = false;
    bool quit_ = false;
    std::map<unsigned, Attempt> running_;
    std::map<unsigned, Attempt> attempts_;
    // Attempts that ended after they were told to stop: what they report says nothing
    // of the link (a failure may still come through, as a race or a full disk).
    std::set<unsigned> endedAfterStop_;
    std::set<unsigned> placedReported_; // their placement was told to the machine
    // A damaged file was found: the next attempt must start from nothing, past caches.
    bool damagedPending_ = false;
    bool cleaned_ = false;
    bool busted_ = false;

    // The working file: which attempt's download it is (0: none), and which
    // verification holds it (deny write and delete) for the installer.
    unsigned fileAuthor_ = 0;
    unsigned heldFor_ = 0;
    unsigned heldAuthor_ = 0;
    std::set<unsigned> verifying_;
    std::map<unsigned, unsigned> verifiedAuthor_; // verification -> the file it read

    std::map<unsigned, int> armedOn_; // stage timers not yet run out -> page armed on
    std::map<unsigned, int> timerPage_;

    // The verify page's own timer: armed since the page came up, and whether it ran out.
    unsigned verifyTimer_ = 0;
    bool verifyTimerRanOut_ = false;

    // The pacing the world expects: failed attempts in a row since the download last
    // moved forward, and the pause now running (a lost connection's is 0).
    unsigned failuresInRow_ = 0;
    std::uint32_t pauseFrom_ = 0;
    std::uint32_t pauseFor_ = 0;

    bool netWatch_ = false; // the watchdog runs (it ends by itself off its pages)
    bool slideshow_ = false;
    bool oldSuiteEnded_ = false;
    bool stalled_ = false; // the running stage's worker last said it stalled
    bool installerRunning_ = false;
    bool uninstallerRunning_ = false;
    int installerStarts_ = 0;
    int uninstallerStarts_ = 0;

    // The window as the user sees it, from the actions carried out.
    int shownPage_ = PAGE_AGREE;
    int bar_ = 0;
    StatusText statusText_ = StatusText::Empty;
    int shownPercent_ = 0; // the download percentage the status line shows
    int statusValue_ = 0;
    int banner_ = 0;
    Question asked_ = Question::None; // the message box on screen
    int wholePaintPage_ = PAGE_AGREE; // the page the whole window was last repainted for
    bool statusSet_ = false;          // in this step
    bool statusRepainted_ = false;    // in this step
    bool wholeRepainted_ = false;     // in this step
    std::optional<std::string> broken_;
    std::vector<std::string> trace_;
    StepLog stepLog_;
    std::string log_ = RunStartLine("of a modelled run") + "\n";
};
