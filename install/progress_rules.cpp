#include "install/progress_rules.h"

namespace {
constexpr std::uint32_t kComplete = 100;
}

InstallPollVerdict JudgeInstallPoll(std::uint32_t lastValue,
                                    std::optional<std::uint32_t> installerEndedAtMs,
                                    std::uint32_t nowMs, std::uint32_t graceMs) {
    if (lastValue >= kComplete) {
        return InstallPollVerdict::kFinished;
    }
    if (installerEndedAtMs && static_cast<std::uint32_t>(nowMs - *installerEndedAtMs) >= graceMs) {
        return InstallPollVerdict::kInstallerQuit;
    }
    return InstallPollVerdict::kKeepPolling;
}

std::uint32_t ReportedInstallPercent(std::uint32_t processNum) {
    return processNum >= kComplete ? kComplete : processNum;
}
