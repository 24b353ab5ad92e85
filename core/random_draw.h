#pragma once
#include <cstdint>

// Random 32-bit numbers for pacing retries, from a generator seeded once per process
// (the performance counter, the process id and the tick count), so that clients that
// failed together draw different pauses. Not for secrets. The window's thread only.
std::uint32_t RandomDraw();
