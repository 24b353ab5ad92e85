#pragma once
#include <cstdint>

// How the wizard paces new download attempts after failed ones. A lost connection is
// retried as soon as the watchdog sees it back. An attempt that failed while the
// machine was online (the service answering an error, a transfer cut short) would fail
// again at once, so each further one waits longer: up to 5 s, 10 s, 20 s, 40 s, then
// 60 s. The pause is drawn at random below that bound ("full jitter"), so clients cut
// off by the same failure of the service do not all come back at the same moment. A
// service that says how long to wait (Retry-After) is waited for, up to 30 minutes.
// Free of Windows, tested natively.

// The longest wait a service's Retry-After can impose.
constexpr std::uint32_t kLongestServiceWaitMs = 30 * 60 * 1000;

// The bound of the pause after `failedAttempts` failures in a row (0: none).
std::uint32_t RetryPauseMs(unsigned failedAttempts);

// The pause itself: `draw`, a random 32-bit number, picks it evenly in 0..bound.
std::uint32_t JitteredRetryPauseMs(unsigned failedAttempts, std::uint32_t draw);

// The pause after a failed attempt: the service's wait when it asked for one (capped),
// else the jittered back-off.
std::uint32_t PauseAfterFailureMs(unsigned failedAttempts, std::uint32_t draw,
                                  std::uint32_t serviceWaitMs);

// Whether a pause of `pauseMs` begun at tick `pausedAtMs` (GetTickCount) is over at
// `nowMs`; by unsigned difference, so the 49.7-day wrap changes nothing.
bool RetryPauseIsOver(std::uint32_t pausedAtMs, std::uint32_t pauseMs, std::uint32_t nowMs);
