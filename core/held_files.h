#pragma once
#include <windows.h>

// Resident virus scanners, indexers and backup agents open every new file for a moment
// as soon as it is written, often without sharing write or delete access. A file they
// hold is not damaged: whatever we wanted of it (moving it into place, reading it,
// starting it) is tried again for a while before it counts as failed.
constexpr DWORD kHeldFileRetryMs = 15000;
constexpr DWORD kHeldFileRetryStepMs = 100;

// Whether a failure's error code says that another process holds the file.
bool IsHeldByAnotherProcess(DWORD error);

// Calls `tryOnce` (true: done) until it succeeds, fails for another reason than a held
// file, `giveUp` says so, or kHeldFileRetryMs have passed. Blocks: worker threads only.
template <typename TryOnce, typename GiveUp> bool RetryWhileHeld(TryOnce tryOnce, GiveUp giveUp) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (tryOnce()) {
            return true;
        }
        const DWORD error = GetLastError();
        if (!IsHeldByAnotherProcess(error) || giveUp() ||
            GetTickCount() - start >= kHeldFileRetryMs) { // unsigned: right across the wrap
            SetLastError(error);
            return false;
        }
        Sleep(kHeldFileRetryStepMs);
    }
}

template <typename TryOnce> bool RetryWhileHeld(TryOnce tryOnce) {
    return RetryWhileHeld(tryOnce, [] { return false; });
}
