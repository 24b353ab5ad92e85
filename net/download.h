#pragma once
#include <windows.h>

// One download attempt (argument: the main window): asks the Update service for the
// installer's address and digest and downloads it into the installer working file,
// the Application object reporting progress. An attempt that fails without having
// been aborted reports UM_DOWNLOAD_FAILED.
unsigned __stdcall DownloadInstallerThread(void* mainWindow);

// The verification rule: waits until the current attempt has ended (at most
// kVerifyWaitMs), then true when its installer must be offered for a fresh download
// (digest differs from the announced one, or no digest can be computed, or the file is
// not signed by the publisher this program was built with). Blocks: never on the
// window's thread, which the attempt may be sending progress to.
bool InstallerNeedsFreshDownload();

// The verification on a thread of its own, so the window stays responsive however long
// the attempt takes to end: sends UM_INSTALLER_VERIFIED to the main window with wParam
// 1 when a fresh download is needed, 0 when the installer is good, and lParam the
// `verification` number it was started with.
unsigned __stdcall VerifyInstallerThread(void* verification);

// How one attempt ended, for callers that run it on their own thread.
struct DownloadAttemptResult {
    HRESULT transfer = E_PENDING; // URLDownloadToFileW's result; E_PENDING: never called
    bool placed = false;          // the installer working file is this attempt's download
    bool reportedFailure = false; // UM_DOWNLOAD_FAILED was sent
};

// The body of DownloadInstallerThread, on the calling thread (which must not be the
// thread of `mainWindow`: progress is sent to it and waited for).
DownloadAttemptResult RunDownloadAttempt(HWND mainWindow);

// How long the verification waits for the current attempt to end.
constexpr DWORD kVerifyWaitMs = 60000;
