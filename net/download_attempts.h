#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Download attempts. A new attempt must be able to start at once even while an older
// one is still blocked in its transfer (a stalled connection reports nothing, so the
// stop flag is only seen when data moves again). The window therefore numbers every
// attempt when it starts it; only the newest ("current") attempt may report progress or
// place its file, and every attempt downloads into a file of its own so a stale transfer
// never writes the file the verification reads. Once a file has been accepted, no
// attempt is current any more.
//
// Threading: the current number is written on the window's thread and read from any;
// changing it and placing a file share one lock, so an attempt is either placed before
// a newer one starts (or the accepted file retires them all) or not at all. The
// progress record is per thread (OnProgress runs on the thread that called
// URLDownloadToFileW).

// Makes `attempt` the current one. The window's thread, before the attempt's own starts.
void MakeCurrentAttempt(unsigned attempt);
// A file was accepted: from now on no attempt reports or places anything.
void RetireAttempts();
// `attempt` is the current one and nobody asked the download to stop or the program
// to quit: it may report, and place its file.
bool AttemptMayGoOn(unsigned attempt);
// `attempt` is the current one and the program is not ending, stop asked for or not: what
// it received whole may still be kept for the next attempt.
bool AttemptIsCurrent(unsigned attempt);

// The attempt the calling thread runs (0: none).
void BindAttemptToThisThread(unsigned attempt);
unsigned AttemptOfThisThread();

// The last progress OnProgress forwarded on this thread's attempt.
struct TransferProgress {
    std::uint32_t done = 0;
    std::uint32_t total = 0;
};
void NoteTransferProgress(std::uint32_t done, std::uint32_t total);
TransferProgress LastTransferProgress();

// Sends UM_DOWNLOAD_PROGRESS for `attempt` and waits until the window has handled it.
// Reports are sent one at a time, so the window can ask whose report it is handling.
void SendDownloadProgress(HWND window, unsigned attempt, std::uint32_t total, std::uint32_t done);
// The attempt of the UM_DOWNLOAD_PROGRESS being handled (0: none, or not sent by an
// attempt). The window's thread, inside that message.
unsigned AttemptOfProgressReport();

// What the last answer of an attempt said, for the wizard's pacing after a failure: its
// HTTP status (0: none came) and the wait a busy service asked for (0: none).
struct AttemptAnswer {
    int status = 0;
    std::uint32_t serviceWaitMs = 0;
};
// Sends UM_DOWNLOAD_ENDED for `attempt` with its outcome and waits until the window has
// handled it; AnswerOfEndReport tells the window, inside that message, what `answer` says.
void SendDownloadEnded(HWND window, unsigned attempt, LPARAM outcome, AttemptAnswer answer);
AttemptAnswer AnswerOfEndReport();

// Moves `attemptFile` onto `workingFile` while `attempt` may go on; a file another
// process holds for a while is waited for. Whether it was placed.
bool PlaceAttemptFile(unsigned attempt, const std::wstring& attemptFile,
                      const std::wstring& workingFile);
