#pragma once
#include <cstdint>

// The timers measure on the local wall clock, as a count of 100-nanosecond units
// (GetLocalTime turned into a FILETIME). Kept free of Windows so the arithmetic is
// tested natively.
constexpr std::uint64_t kClockUnitsPerMs = 10000;

// The wait of `delayMs` started at `startCount` is over at `nowCount`. The difference
// is taken unsigned on purpose: a clock set back makes it huge, so the wait ends at
// the next look instead of lasting as long as the clock was moved; a clock set
// forward shortens the wait by the same amount.
bool WaitIsOver(std::uint64_t startCount, std::uint64_t nowCount, std::uint64_t delayMs);

// The watchdog watches while the download runs or is paused offline, and never once
// the program is ending.
bool WatchdogKeepsWatching(int page, int quitRequested);

// The slideshow ticks on every page but the finish page, until the program ends.
bool SlideTickGoesOn(int page, int quitRequested);
