#pragma once
#include <cstdint>

// How the wizard paces new download attempts after failed ones. A lost connection is
// retried as soon as the watchdog sees it back; an attempt that failed while the
// machine was online (the service answering an error, a transfer cut short) would
// fail again at once, so each further one waits longer: 5 s, 10 s, 20 s, 40 s, then
// every 60 s. Free of Windows, tested natively.

// The pause before the next attempt after `failedAttempts` failures in a row (0: none).
std::uint32_t RetryPauseMs(unsigned failedAttempts);

// Whether a pause of `pauseMs` begun at tick `pausedAtMs` (GetTickCount) is over at
// `nowMs`; by unsigned difference, so the 49.7-day wrap changes nothing.
bool RetryPauseIsOver(std::uint32_t pausedAtMs, std::uint32_t pauseMs, std::uint32_t nowMs);
