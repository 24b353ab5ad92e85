#pragma once
#include <windows.h>

// Procedures of the four small text controls (subclassed STATIC controls).
LRESULT CALLBACK ChangeFolderLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AgreementLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CancelLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FolderLabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The drawing steps of the self-drawn ones, on any device context (a test paints
// them into a memory bitmap). Each fills `client` white, then draws its text.
void PaintChangeFolderLink(HDC dc, const RECT& client, bool locked);
void PaintAgreementLink(HDC dc, const RECT& client);
// Fills `client` white and draws `text` grey, cut after 20 units with "..." at x = 125.
// True when it had to cut.
bool PaintFolderLabel(HDC dc, const RECT& client, const wchar_t* text);

// What the agreement link shows (its window text names the agreement differently).
constexpr wchar_t kAgreementLinkText[] = L"用户许可";

// Colours of the text controls.
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
constexpr COLORREF kGreyText = RGB(175, 175, 175);

// What the change-folder link asks at every paint: whether the install folder is fixed
// by an earlier installation (then it is grey and locked). An installation rule the
// controls know nothing of; the window that creates the link sets it. None: unlocked.
extern bool (*changeFolderLockProbe)();

// State of the change-folder link and the folder label; UI thread only.
extern int changeFolderLocked;         // 1 when "InstallPath" was registered at the last paint
extern HWND changeFolderTipWindow;     // from UM_SET_TOOLTIP
extern wchar_t folderLabelBuffer[260]; // the label's own copy of its text
extern int folderLabelCut;             // 1 when the last paint had to cut the text
extern HWND folderLabelTipWindow;      // from UM_SET_TOOLTIP
