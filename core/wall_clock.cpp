#include "core/wall_clock.h"

#include <windows.h>

std::uint64_t ReadWallClock() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME count{};
    SystemTimeToFileTime(&local, &count);
    return (static_cast<std::uint64_t>(count.dwHighDateTime) << 32) | count.dwLowDateTime;
}
