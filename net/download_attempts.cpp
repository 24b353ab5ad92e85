#include "net/download_attempts.h"

#include <atomic>
#include <mutex>

#include "core/app_object.h"

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
    bool placed = false;
    {
        std::lock_guard<std::mutex> guard(attemptLock);
        const bool current = IsCurrentAttempt(attempt);
        if (current && mayPlace && !DownloadStopRequested()) {
            placed = MoveFileExW(attemptFile.c_str(), workingFile.c_str(),
                                 MOVEFILE_REPLACE_EXISTING) != FALSE;
        }
        if (current) {
            finishedAttempt.store(attempt);
        }
    }
    if (!placed && !attemptFile.empty()) {
        DeleteFileW(attemptFile.c_str());
    }
    SetEvent(FinishedEvent());
    return placed;
}

bool WaitForCurrentAttempt(DWORD timeoutMs) {
    const HANDLE event = FinishedEvent();
    const DWORD start = GetTickCount();
    for (;;) {
        if (finishedAttempt.load() == currentAttempt.load()) {
            return true;
        }
        const DWORD waited = GetTickCount() - start; // unsigned: right across the wrap
        if (waited >= timeoutMs || !event) {
            return false;
        }
        const DWORD woke =
            MsgWaitForMultipleObjects(1, &event, FALSE, timeoutMs - waited, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 + 1) {
            MSG message;
            // Dispatches the messages other threads sent; posted ones stay queued.
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}
