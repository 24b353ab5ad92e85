#pragma once

// Runs the downloaded installer hidden with the install folder and starts
// InstallProgressThread, which reports "ProcessNum" until 100 (UM_INSTALL_DONE) or
// until the installer has ended short of it (UM_INSTALL_FAILED).
void StartSilentInstall();
unsigned __stdcall InstallProgressThread(void* mainWindow);
