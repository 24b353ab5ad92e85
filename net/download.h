#pragma once
#include <windows.h>

// One download attempt (argument: the main window): asks the Update service for the
// installer's address and digest and downloads it into the installer working file,
// the Application object reporting progress. An attempt that fails without having
// been aborted reports UM_DOWNLOAD_FAILED.
unsigned __stdcall DownloadInstallerThread(void* mainWindow);

// The verification rule, run on the UI thread when the verify timer fires: true when
// the downloaded installer must be offered for a fresh download (digest differs from
// the announced one, or no digest can be computed, or the file is not signed by the
// publisher this program was built with).
bool InstallerNeedsFreshDownload();

// How one attempt ended, for callers that run it on their own thread.
struct DownloadAttemptResult {
    HRESULT transfer = E_PENDING; // URLDownloadToFileW's result; E_PENDING: never called
    bool placed = false;          // the installer working file is this attempt's download
    bool reportedFailure = false; // UM_DOWNLOAD_FAILED was sent
};

// The body of DownloadInstallerThread, on the calling thread (which must not be the
// thread of `mainWindow`: progress is sent to it and waited for).
DownloadAttemptResult RunDownloadAttempt(HWND mainWindow);

// How long the verification waits for the current attempt to place its file.
constexpr DWORD kVerifyWaitMs = 60000;
