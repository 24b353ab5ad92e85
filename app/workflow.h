#pragma once
#include <windows.h>

// The workers' reports, each moving the upgrade one step. Main thread only.
void OnDownloadProgress(HWND hwnd, WPARAM total, LPARAM done);
void OnStageTimer(HWND hwnd, int pageWhenDue);
void OnInstallProgress(HWND hwnd, WPARAM percent);
void OnInstallDone(HWND hwnd);
void OnSlideTick(HWND hwnd);
void OnNetState(HWND hwnd, bool connected);
void OnDownloadFailed(HWND hwnd);
void OnInstallerVerified(HWND hwnd, bool damaged, unsigned verification);
void OnInstallerGaveUp(HWND hwnd, const wchar_t* notice);
void OnOldEditionRemoved();

// The user declined the cancel question (a new attempt has been started).
void OnCancelDeclined();
