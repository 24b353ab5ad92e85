#include "core/wall_clock.h"

bool WaitIsOver(std::uint64_t startCount, std::uint64_t nowCount, std::uint64_t delayMs) {
    return nowCount - startCount >= delayMs * kClockUnitsPerMs;
}
