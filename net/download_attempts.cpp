#include "net/download_attempts.h"

#include <atomic>
#include <mutex>

#include "core/app_object.h"
#include "core/held_files.h"
#include "core/messages.h"

namespace {
std::mutex attemptLock; // guards changing the current attempt and placing a file
std::atomic<unsigned> currentAttempt{0};
thread_local unsigned threadAttempt = 0;
thread_local TransferProgress threadProgress;

// One report at a time: the sender holds this while the window handles its report, and
// names its attempt in `reportingAttempt` for the window to read. The window's thread
// never takes the lock, so a sender only ever waits for another sender.
std::mutex reportLock;
std::atomic<unsigned> reportingAttempt{0};
AttemptAnswer endingAnswer; // under reportLock, read by the window inside the message
} // namespace

void MakeCurrentAttempt(unsigned attempt) {
    std::lock_guard<std::mutex> guard(attemptLock);
    currentAttempt.store(attempt);
}

void RetireAttempts() {
    std::lock_guard<std::mutex> guard(attemptLock);
    currentAttempt.store(0);
}

bool AttemptIsCurrent(unsigned attempt) {
    return attempt != 0 && attempt == currentAttempt.load() && GetApp()->quitRequested.load() == 0;
}

bool AttemptMayGoOn(unsigned attempt) {
    return AttemptIsCurrent(attempt) && GetApp()->abortDownload.load() == 0;
}

void BindAttemptToThisThread(unsigned attempt) {
    threadAttempt = attempt;
    threadProgress = TransferProgress{};
}

unsigned AttemptOfThisThread() {
    return threadAttempt;
}

void NoteTransferProgress(std::uint32_t done, std::uint32_t total) {
    threadProgress = {done, total};
}

TransferProgress LastTransferProgress() {
    return threadProgress;
}

void SendDownloadProgress(HWND window, unsigned attempt, std::uint32_t total, std::uint32_t done) {
    std::lock_guard<std::mutex> guard(reportLock);
    reportingAttempt.store(attempt);
    SendMessageW(window, UM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(total),
                 static_cast<LPARAM>(done));
    reportingAttempt.store(0);
}

unsigned AttemptOfProgressReport() {
    return reportingAttempt.load();
}

void SendDownloadEnded(HWND window, unsigned attempt, LPARAM outcome, AttemptAnswer answer) {
    std::lock_guard<std::mutex> guard(reportLock);
    endingAnswer = answer;
    SendMessageW(window, UM_DOWNLOAD_ENDED, static_cast<WPARAM>(attempt), outcome);
    endingAnswer = AttemptAnswer{};
}

AttemptAnswer AnswerOfEndReport() {
    return endingAnswer; // the sender holds reportLock while the window reads this
}

bool PlaceAttemptFile(unsigned attempt, const std::wstring& attemptFile,
                      const std::wstring& workingFile) {
    // Each try takes the lock, so a newer attempt can start between tries and this one
    // then gives up: an attempt is placed before a newer one starts or not at all.
    const auto placeOnce = [&] {
        std::lock_guard<std::mutex> guard(attemptLock);
        if (!AttemptMayGoOn(attempt)) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        return MoveFileExW(attemptFile.c_str(), workingFile.c_str(), MOVEFILE_REPLACE_EXISTING) !=
               FALSE;
    };
    // A scanner that opened the finished file holds it for a moment: wait for it rather
    // than throw a complete download away.
    return RetryWhileHeld(placeOnce, [attempt] { return !AttemptMayGoOn(attempt); });
}
