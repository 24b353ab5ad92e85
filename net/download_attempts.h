#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Download attempts. A new attempt must be able to start at once even while an
// older one is still blocked in its transfer (a stalled connection reports nothing,
// so the abort flag is only seen when data moves again). Each DownloadInstallerThread
// therefore takes a new attempt number; only the newest ("current") attempt may
// report progress or place its file, and every attempt downloads into a file of its
// own so a stale transfer never writes the file the verification reads.
//
// Threading: the counters are read from any thread; placing a file and starting an
// attempt share one lock, so an attempt is either placed before a newer one starts
// or not at all. The progress record is per thread (OnProgress runs on the thread
// that called URLDownloadToFileW).

// Makes a new attempt the current one and binds it to the calling thread.
unsigned BeginDownloadAttempt();
// The attempt bound to the calling thread (0: none).
unsigned AttemptOfThisThread();
bool IsCurrentAttempt(unsigned attempt);
// The newest attempt (0: none yet).
unsigned CurrentAttempt();
// Somebody asked the download to stop (cancel) or the program to quit.
bool DownloadStopRequested();

// The last progress OnProgress forwarded on this thread's attempt.
struct TransferProgress {
    std::uint32_t done = 0;
    std::uint32_t total = 0;
};
void NoteTransferProgress(std::uint32_t done, std::uint32_t total);
TransferProgress LastTransferProgress();

// Ends an attempt: when it is still current, `mayPlace` is true and nothing has
// asked it to stop, moves `attemptFile` onto `workingFile` and reports success; a
// file another process holds for a while is waited for. In every case marks the
// attempt finished for WaitForCurrentAttempt.
bool FinishDownloadAttempt(unsigned attempt, bool mayPlace, const std::wstring& attemptFile,
                           const std::wstring& workingFile);

// Waits (at most `timeoutMs`, and not past a quit request) until the current attempt
// has finished. Never on the window's thread: the attempt may be sending it progress.
// True when it finished in time.
bool WaitForCurrentAttempt(DWORD timeoutMs);
