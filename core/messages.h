#pragma once
#include <windows.h>

// Private window messages. Workers send them (SendMessageW) and so wait until the
// main thread has reacted; only the slideshow tick and the retry count are posted.
constexpr UINT UM_SKIN_STATE = WM_USER + 100;        // skin button: wParam 1 enable / 0 disable
constexpr UINT UM_DOWNLOAD_PROGRESS = WM_USER + 101; // wParam total, lParam done
// wParam: the page when the delay ran out; lParam: which arming of the stage timer it is.
constexpr UINT UM_STAGE_TIMER = WM_USER + 102;
constexpr UINT UM_INSTALL_PROGRESS = WM_USER + 103; // wParam: installer's percentage
constexpr UINT UM_INSTALL_DONE = WM_USER + 104;
constexpr UINT UM_SLIDE_TICK = WM_USER + 105;      // posted every 3 s
constexpr UINT UM_NET_STATE = WM_USER + 106;       // wParam 1 connected, 0 offline
constexpr UINT UM_RETRY_COUNT = WM_USER + 107;     // to the retry banner: wParam count
constexpr UINT UM_SET_FOLDER_TEXT = WM_USER + 108; // to the folder label: lParam wide text
constexpr UINT UM_SET_TOOLTIP = WM_USER + 109;     // wParam: tooltip window
constexpr UINT UM_OLD_REMOVED = WM_USER + 110;

// Stages that are not going as they should: the user is told, the wait goes on.
constexpr UINT UM_INSTALL_FAILED = WM_USER + 111;     // installer ended short of 100 %
constexpr UINT UM_OLD_REMOVAL_FAILED = WM_USER + 112; // old uninstall entry outlived its grace
// A download attempt's outcome, once known: wParam the attempt, lParam a DownloadEnd.
constexpr UINT UM_DOWNLOAD_ENDED = WM_USER + 113;
// The verification's verdict: wParam 1 damaged / 0 good, lParam the attempt whose file.
constexpr UINT UM_INSTALLER_VERIFIED = WM_USER + 114;

// How a download attempt ended (UM_DOWNLOAD_ENDED's lParam).
enum DownloadEnd : LPARAM {
    DOWNLOAD_PLACED = 0,    // its file is the installer working file now
    DOWNLOAD_FAILED = 1,    // it failed on its own, not asked to stop
    DOWNLOAD_DISK_FULL = 2, // it failed, and the disk lacks the room it needs
    DOWNLOAD_STOPPED = 3,   // it was asked to stop, or a newer attempt replaced it
};

constexpr UINT kFirstPrivateMessage = UM_SKIN_STATE;
constexpr UINT kLastPrivateMessage = UM_INSTALLER_VERIFIED;
