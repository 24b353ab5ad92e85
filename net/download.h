#pragma once

// One download attempt (argument: the main window): asks the Update service for the
// installer's address and digest and downloads it into the installer working file,
// the Application object reporting progress. An attempt that fails without having
// been aborted reports UM_DOWNLOAD_FAILED.
unsigned __stdcall DownloadInstallerThread(void* mainWindow);

// The verification rule, run on the UI thread when the verify timer fires: true when
// the downloaded installer must be offered for a fresh download (digest differs from
// the announced one, or no digest can be computed).
bool InstallerNeedsFreshDownload();
