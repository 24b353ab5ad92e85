#include "install/progress_rules.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kComplete = 100;
}

InstallPollVerdict JudgeInstallPoll(std::uint32_t lastValue,
                                    std::optional<std::uint32_t> installerEndedAtMs,
                                    std::uint32_t valueChangedAtMs, std::uint32_t nowMs,
                                    std::uint32_t graceMs) {
    if (lastValue >= kComplete) {
        return InstallPollVerdict::kFinished;
    }
    if (!installerEndedAtMs) {
        return InstallPollVerdict::kKeepPolling;
    }
    // Time since each, by unsigned difference; the later of the two is the nearer one.
    const std::uint32_t sinceEnd = nowMs - *installerEndedAtMs;
    const std::uint32_t sinceChange = nowMs - valueChangedAtMs;
    return std::min(sinceEnd, sinceChange) >= graceMs ? InstallPollVerdict::kInstallerQuit
                                                      : InstallPollVerdict::kKeepPolling;
}

std::uint32_t ReportedInstallPercent(std::uint32_t processNum) {
    return std::min(processNum, kComplete);
}
