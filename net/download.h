#pragma once
#include <windows.h>

// Starts download attempt `attempt` on a thread of its own (the window numbered it and
// made it current). It asks the Update service for the installer's address and digest
// and downloads the installer into a file of its own, the Application object reporting
// progress (UM_DOWNLOAD_PROGRESS; AttemptOfProgressReport names the attempt); the file
// becomes the installer working file only while the attempt may go on. Once its outcome
// is known - placed, or failed with its files cleared away - it sends UM_DOWNLOAD_ENDED.
// False when no thread could be made.
bool StartDownloadAttempt(HWND window, unsigned attempt);

// The attempt's thread; its argument is what StartDownloadAttempt hands it.
unsigned __stdcall DownloadInstallerThread(void* attemptStart);
