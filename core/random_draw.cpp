#include "core/random_draw.h"

#include <windows.h>

namespace {
// splitmix64: a full-period generator whose every output is well mixed, even from
// seeds that differ in a few bits.
std::uint64_t Next(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t Seed() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart) ^
           (std::uint64_t{GetCurrentProcessId()} << 32) ^ GetTickCount();
}
} // namespace

std::uint32_t RandomDraw() {
    static std::uint64_t state = Seed();
    return static_cast<std::uint32_t>(Next(state) >> 32);
}
