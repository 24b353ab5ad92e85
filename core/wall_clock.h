#pragma once
#include <cstdint>

// The stage timers and the watchdog measure time on the local wall clock, as a count
// of 100-nanosecond units (GetLocalTime turned into a FILETIME), and look at it in
// steps of 100 ms.
constexpr std::uint64_t kClockUnitsPerMs = 10000;
constexpr unsigned kClockLookIntervalMs = 100;

// The local wall clock now, in 100-nanosecond units.
std::uint64_t ReadWallClock();

// The wait of `delayMs` started at `startCount` is over at `nowCount`. The difference
// is taken unsigned on purpose: a clock set back makes it huge, so the wait ends at
// the next look instead of lasting as long as the clock was moved; a clock set
// forward shortens the wait by the same amount. Free of Windows, tested natively.
bool WaitIsOver(std::uint64_t startCount, std::uint64_t nowCount, std::uint64_t delayMs);
