#pragma once
#include <windows.h>

// Starts InstallProgressThread, which runs the downloaded installer hidden with the
// install folder and reports "ProcessNum" until 100 (UM_INSTALL_DONE). When the
// installer's process ends short of 100 it says so once (UM_INSTALL_FAILED) and keeps
// following the value: the work may go on in a process the installer handed it to.
void StartSilentInstall();

// How long after the installer's process has ended its last value may still arrive
// before the window is told that the installation stalled.
constexpr DWORD kInstallerExitGraceMs = 5000;
