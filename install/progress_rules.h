#pragma once
#include <cstdint>
#include <optional>

// Decisions of the installation poller, free of Windows so they are tested natively.

enum class InstallPollVerdict {
    kKeepPolling,   // the installer is still at work, or may still write its last value
    kFinished,      // "ProcessNum" reached 100 or more
    kInstallerQuit, // the installer ended short of 100 and had its grace for a last write
};

// `installerEndedAtMs` is the tick (GetTickCount) at which the poller first saw the
// installer's process gone (nothing while it runs or is not known yet), `valueChangedAtMs`
// the tick at which the value last changed (or the installer started). An installer
// that handed its work to another process is not quitting while the value still moves:
// the grace counts from the later of the two. Ticks are compared by unsigned difference,
// so the 49.7-day wrap changes nothing. A value of 100 or more always wins, even when it
// arrives during the grace.
InstallPollVerdict JudgeInstallPoll(std::uint32_t lastValue,
                                    std::optional<std::uint32_t> installerEndedAtMs,
                                    std::uint32_t valueChangedAtMs, std::uint32_t nowMs,
                                    std::uint32_t graceMs);

// What the window is told: the installer's percentage, with anything above 100 (a
// value with the top bit set included) shown as 100, so the bar is full rather than
// wrapped round and the status line never shows a negative or oversized figure.
std::uint32_t ReportedInstallPercent(std::uint32_t processNum);
