#include "net/download_attempts.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "core/app_object.h"
#include "core/held_files.h"
#include "core/wall_clock.h"

namespace {
std::mutex attemptLock; // guards starting an attempt and placing a file
std::atomic<unsigned> currentAttempt{0};
std::atomic<unsigned> finishedAttempt{0}; // the newest attempt that has finished
thread_local unsigned threadAttempt = 0;
thread_local TransferProgress threadProgress;

// Signalled whenever an attempt finishes; waiters then look at the counters again.
HANDLE FinishedEvent() {
    static const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}
} // namespace

unsigned BeginDownloadAttempt() {
    FinishedEvent(); // created before any waiter can need it
    std::lock_guard<std::mutex> guard(attemptLock);
    threadAttempt = currentAttempt.load() + 1;
    currentAttempt.store(threadAttempt);
    threadProgress = TransferProgress{};
    return threadAttempt;
}

unsigned AttemptOfThisThread() {
    return threadAttempt;
}

bool DownloadStopRequested() {
    const VBindCallback* app = GetApp();
    return app->abortDownload.load() != 0 || app->quitRequested.load() != 0;
}

unsigned CurrentAttempt() {
    return currentAttempt.load();
}

bool IsCurrentAttempt(unsigned attempt) {
    return attempt != 0 && attempt == currentAttempt.load();
}

void NoteTransferProgress(std::uint32_t done, std::uint32_t total) {
    threadProgress = {done, total};
}

TransferProgress LastTransferProgress() {
    return threadProgress;
}

bool FinishDownloadAttempt(unsigned attempt, bool mayPlace, const std::wstring& attemptFile,
                           const std::wstring& workingFile) {
    // Each try takes the lock, so a newer attempt can start between tries and this one
    // then gives up: an attempt is placed before a newer one starts or not at all.
    const auto placeOnce = [&] {
        std::lock_guard<std::mutex> guard(attemptLock);
        if (!IsCurrentAttempt(attempt) || DownloadStopRequested()) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        return MoveFileExW(attemptFile.c_str(), workingFile.c_str(), MOVEFILE_REPLACE_EXISTING) !=
               FALSE;
    };
    // A scanner that opened the finished file holds it for a moment: wait for it rather
    // than throw a complete download away.
    const bool placed = mayPlace && RetryWhileHeld(placeOnce);
    {
        std::lock_guard<std::mutex> guard(attemptLock);
        if (IsCurrentAttempt(attempt)) {
            finishedAttempt.store(attempt);
        }
    }
    if (!placed && !attemptFile.empty()) {
        RetryWhileHeld([&] {
            return DeleteFileW(attemptFile.c_str()) != FALSE ||
                   GetLastError() == ERROR_FILE_NOT_FOUND;
        });
    }
    SetEvent(FinishedEvent());
    return placed;
}

bool WaitForCurrentAttempt(DWORD timeoutMs) {
    const HANDLE event = FinishedEvent();
    const VBindCallback* app = GetApp();
    const DWORD start = GetTickCount();
    for (;;) {
        if (finishedAttempt.load() == currentAttempt.load()) {
            return true;
        }
        const DWORD waited = GetTickCount() - start; // unsigned: right across the wrap
        if (waited >= timeoutMs || event == nullptr || app->quitRequested.load() != 0) {
            return false;
        }
        // Woken by each finished attempt; a look every so often also sees a quit.
        WaitForSingleObject(event, std::min<DWORD>(timeoutMs - waited, kClockLookIntervalMs));
    }
}
