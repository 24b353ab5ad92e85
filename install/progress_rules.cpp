#include "install/progress_rules.h"

namespace {
constexpr std::uint32_t kComplete = 100;
}

InstallPollVerdict JudgeInstallPoll(std::uint32_t lastValue,
                                    std::optional<std::uint64_t> installerEndedAtMs,
                                    std::uint64_t nowMs, std::uint64_t graceMs) {
    if (lastValue >= kComplete) {
        return InstallPollVerdict::kFinished;
    }
    if (installerEndedAtMs && nowMs >= *installerEndedAtMs &&
        nowMs - *installerEndedAtMs >= graceMs) {
        return InstallPollVerdict::kInstallerQuit;
    }
    return InstallPollVerdict::kKeepPolling;
}

std::uint32_t ReportedInstallPercent(std::uint32_t processNum) {
    return processNum >= kComplete ? kComplete : processNum;
}
