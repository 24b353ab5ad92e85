#include "app/retry_pacing.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kFirstPauseMs = 5000;
constexpr std::uint32_t kLongestPauseMs = 60000;
} // namespace

std::uint32_t RetryPauseMs(unsigned failedAttempts) {
    if (failedAttempts == 0) {
        return 0;
    }
    // Doubled for each failure after the first; four doublings already pass the longest.
    const unsigned doublings = std::min(failedAttempts - 1, 4u);
    return std::min(kFirstPauseMs << doublings, kLongestPauseMs);
}

std::uint32_t JitteredRetryPauseMs(unsigned failedAttempts, std::uint32_t draw) {
    const std::uint64_t bound = RetryPauseMs(failedAttempts);
    // (bound + 1) * draw / 2^32 lies in 0..bound, each value equally likely.
    return static_cast<std::uint32_t>(((bound + 1) * draw) >> 32);
}

std::uint32_t PauseAfterFailureMs(unsigned failedAttempts, std::uint32_t draw,
                                  std::uint32_t serviceWaitMs) {
    if (serviceWaitMs != 0) {
        return std::min(serviceWaitMs, kLongestServiceWaitMs);
    }
    return JitteredRetryPauseMs(failedAttempts, draw);
}

bool RetryPauseIsOver(std::uint32_t pausedAtMs, std::uint32_t pauseMs, std::uint32_t nowMs) {
    return static_cast<std::uint32_t>(nowMs - pausedAtMs) >= pauseMs;
}
