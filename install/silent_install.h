#pragma once
#include <windows.h>

// Runs the downloaded installer hidden with the install folder and starts
// InstallProgressThread, which reports "ProcessNum" until 100 (UM_INSTALL_DONE) or
// until the installer has ended short of it (UM_INSTALL_FAILED).
void StartSilentInstall();
unsigned __stdcall InstallProgressThread(void* mainWindow);

// How long after the installer's process has ended its last value may still arrive
// before the installation counts as given up.
constexpr DWORD kInstallerExitGraceMs = 5000;
