#include "app/retry_pacing.h"

namespace {
constexpr std::uint32_t kFirstPauseMs = 5000;
constexpr std::uint32_t kLongestPauseMs = 60000;
} // namespace

std::uint32_t RetryPauseMs(unsigned failedAttempts) {
    if (failedAttempts == 0) {
        return 0;
    }
    std::uint32_t pause = kFirstPauseMs;
    for (unsigned i = 1; i < failedAttempts && pause < kLongestPauseMs; ++i) {
        pause *= 2;
    }
    return pause < kLongestPauseMs ? pause : kLongestPauseMs;
}

bool RetryPauseIsOver(std::uint32_t pausedAtMs, std::uint32_t pauseMs, std::uint32_t nowMs) {
    return static_cast<std::uint32_t>(nowMs - pausedAtMs) >= pauseMs;
}
