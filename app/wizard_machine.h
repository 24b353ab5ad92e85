#pragma once
#include <cstdint>
#include <vector>

#include "core/pages.h"

// The wizard's decisions as one function: the state of the upgrade and one event in,
// the new state and the actions to carry out. No clock, no threads, no Windows: the
// window procedure only turns messages into events and carries the actions out, and a
// test can drive this through every order of events, late and repeated ones included.
//
// Events arrive late, twice or out of order. Every worker report names what it belongs
// to (the download attempt, the verified attempt, the stage timer's arming) and is
// dropped when that no longer holds; the rules for each event are written out for
// every page below (wizard_machine.cpp), "nothing to do" included.

// How a download attempt ended, as its thread reports it once its outcome is known.
enum class AttemptOutcome {
    Placed,   // its file is the installer working file
    Failed,   // it failed on its own (no address, an HTTP error, a transfer cut short)
    DiskFull, // it failed, and the working folder's drive lacks the room it needs
    Stopped,  // it was told to stop (cancel question, offline, quit) or was replaced
};

enum class Question { None, Cancel, Damaged };

// Why the download waits before its next attempt.
enum class PauseCause {
    None,
    Outage,   // the watchdog saw the connection lost: retried once it is back
    Failed,   // an attempt failed while online: retried after a growing pause
    DiskFull, // an attempt found the disk full: as Failed, with its own notice
};

// What the status line says. The texts themselves are the shell's.
enum class StatusText {
    Downloaded,       // "已下载：%d%%" with `value`
    Installed,        // "已安装：%d%%" with `value`
    Empty,            // the installer reached 100
    RemovingOld,      // "正在卸载老版工作台,请勿关闭!"
    InstallFailed,    // "安装失败，请关闭后重试"
    OldRemovalFailed, // "卸载老版失败，请关闭后重试"
    DiskFull,         // "磁盘空间不足，请清理后重试"
};

struct WizardState {
    int page = PAGE_AGREE;
    Question question = Question::None;
    bool quitting = false;

    // Download attempts are numbered here, when they are started; only the current
    // one's reports count. `attemptPlaced`: the current one has placed its file.
    unsigned attempt = 0;
    bool attemptRunning = false;
    bool attemptPlaced = false;
    bool transferStopped = false; // the shell's abortDownload flag, as last set

    // The verification: due once the verify page's timer has run out; judges the
    // current attempt's placed file; `accepted` is the attempt whose file was found
    // good and is held for the installer. After that no attempt places a file.
    bool verifyDue = false;
    unsigned verifying = 0;
    unsigned accepted = 0;

    // The one stage timer that counts: the newest one armed, for the page it was armed on.
    unsigned timer = 0;
    int timerPage = PAGE_AGREE;
    unsigned timersArmed = 0;

    // What the window shows of the download (never going back, but after a fresh
    // download) and the retries since it last moved forward.
    int maxPercent = 1;
    int retryCount = 0;
    unsigned failedAttempts = 0;
    bool offlinePaused = false; // waiting for the next attempt (offline or after a failure)
    PauseCause pauseCause = PauseCause::None;
    std::uint32_t pausedAtMs = 0;
    std::uint32_t pauseMs = 0;

    bool uninstallerStarted = false;
    bool installerStarted = false;
    bool noticeShown = false; // a stage has stalled: the close button may end the program

    bool operator==(const WizardState&) const = default;
};

enum class EventKind {
    StartClicked, // "一键安装" (`flag`: the agreement box is checked)
    CloseClicked, // `flag`: the hidden clean-up box is checked
    CancelClicked,
    FinishClicked,
    QuestionAnswered, // `flag`: OK
    DownloadProgress, // `attempt`, `total`, `done`
    AttemptEnded,     // `attempt`, `outcome`, `status`, `serviceWaitMs`, `draw`
    Verdict,          // `attempt`, `flag`: good; `oldEdition`: an old edition is registered
    StageTimer,       // `timer`: its arming; `page`: the page when it ran out
    NetState,         // `flag`: connected; `nowMs`
    InstallProgress,  // `value`: the installer's percentage (100 or more: whole)
    InstallDone,
    InstallFailed,    // the installer has stalled
    OldRemovalFailed, // the old uninstaller has stalled
    OldRemoved,
    WindowDestroyed,
};

struct WizardEvent {
    EventKind kind;
    unsigned attempt = 0;
    std::uint32_t total = 0;
    std::uint32_t done = 0;
    AttemptOutcome outcome = AttemptOutcome::Stopped;
    bool flag = false;
    bool oldEdition = false;
    unsigned timer = 0;
    int page = PAGE_AGREE;
    std::uint32_t nowMs = 0;
    std::uint32_t value = 0;
    int status = 0;                  // the HTTP status of a failed attempt's last answer
    std::uint32_t serviceWaitMs = 0; // the wait a busy service asked for (Retry-After)
    std::uint32_t draw = 0;          // a random number, for the jittered back-off

    bool operator==(const WizardEvent&) const = default;
};

enum class ActionKind {
    GoToPage,      // `value`: the page; its controls are shown, nothing repainted
    SetStatus,     // `status`, `value`
    SetBar,        // `value`: position in 0..200
    RepaintStatus, // `flag`: erase first
    RepaintWindow,
    StopTransfer,      // `flag`: the running transfer is to stop (true) or may go on
    StartAttempt,      // `attempt`: make it the current one and start it
    RetireAttempts,    // a file was accepted: no attempt reports or places any more
    StartVerification, // `attempt`
    LetGoOfInstaller,  // `attempt`: a verification's hold on the file is not needed
    ArmTimer,          // `timer`, `value`: the delay in ms
    StartSlideshow,
    StartNetWatch,
    PostRetryCount, // `value`
    EndOldSuite,
    StartUninstaller,
    StartInstaller,
    CleanWorkingFiles,
    BustCache, // the next attempt's address gets a cache-busting query
    Ask,       // `question`; always the last action of its step
    Quit,      // `flag`: clean up the working files; always the last action
};

struct WizardAction {
    ActionKind kind;
    int value = 0;
    unsigned attempt = 0;
    unsigned timer = 0;
    bool flag = false;
    StatusText status = StatusText::Downloaded;
    Question question = Question::None;

    bool operator==(const WizardAction&) const = default;
};

struct WizardStep {
    WizardState state;
    std::vector<WizardAction> actions;
};

// The stage delays.
constexpr std::uint32_t kVerifyDelayMs = 1000;
constexpr std::uint32_t kInstallDelayMs = 1000;
constexpr std::uint32_t kAfterKillDelayMs = 2000; // stands in for waiting on ended programs

WizardStep Advance(const WizardState& state, const WizardEvent& event);
