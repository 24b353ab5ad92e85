#include "install/install_location.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/app_object.h"
#include "core/com_scope.h"
#include "install/install_path.h"
#include "core/messages.h"
#include "install/folder_rules.h"

namespace {
constexpr UINT kSystemFolderCapacity = 24;
constexpr std::size_t kClearedBeforeNotice = 64;
constexpr std::size_t kClearedBeforePick = 130;
constexpr wchar_t kDialogTitle[] = L"浏览文件夹```选择文件夹";
// BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_UAHINT |
// BIF_NONEWFOLDERBUTTON
constexpr UINT kDialogFlags = 0x351;

// Copies as much as fits and always terminates; callers only hand in texts that fit.
template <std::size_t N> void CopyInto(wchar_t (&buffer)[N], std::wstring_view text) {
    const std::size_t count = std::min(text.size(), N - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = L'\0';
}

// The label may not exist (the window is still being built, or already freed).
void SendFolderText(const wchar_t* text) {
    ChildControl* label = GetApp()->folderLabel;
    if (label != nullptr && label->hwnd != nullptr) {
        SendMessageW(label->hwnd, UM_SET_FOLDER_TEXT, 0, reinterpret_cast<LPARAM>(text));
    }
}

std::vector<DriveRoot> ListDrives() {
    std::vector<DriveRoot> drives;
    const DWORD needed = GetLogicalDriveStringsW(0, nullptr);
    if (needed == 0) {
        return drives;
    }
    std::vector<wchar_t> list(needed + 1, L'\0');
    const DWORD written = GetLogicalDriveStringsW(needed, list.data());
    // A drive added between the two calls makes the second one report a larger size
    // and write nothing; the list then counts as empty.
    if (written == 0 || written > needed) {
        return drives;
    }
    for (const std::wstring& root : SplitDriveList(std::wstring_view(list.data(), written))) {
        drives.push_back({root[0], GetDriveTypeW(root.c_str()) == DRIVE_FIXED});
    }
    return drives;
}

// 0 when the system folder does not fit its buffer.
wchar_t SystemDriveLetter() {
    wchar_t folder[kSystemFolderCapacity] = {};
    const UINT length = GetSystemDirectoryW(folder, kSystemFolderCapacity);
    return length == 0 || length >= kSystemFolderCapacity ? L'\0' : folder[0];
}

} // namespace

void InitInstallFolder() {
    std::fill_n(folderText, kClearedBeforeNotice, L'\0');
    if (HasInstallPath()) {
        // Installed before: the new edition goes exactly where the old one is.
        const std::wstring registered = ReadInstallPath();
        CopyInto(folderText, registered);
        CopyInto(installDir, registered);
        SendFolderText(folderText);
        return;
    }
    const wchar_t drive = ChooseDefaultDrive(ListDrives(), SystemDriveLetter());
    CopyInto(folderText, DefaultFolderNotice(drive));
    CopyInto(installDir, DefaultInstallFolder(drive));
    SendFolderText(folderText);
}

void ChooseInstallFolder(HWND mainWindow) {
    if (HasInstallPath()) {
        return; // the registered folder cannot be changed
    }
    ComScope com;
    BROWSEINFOW dialog{};
    dialog.hwndOwner = GetForegroundWindow();
    dialog.lpszTitle = kDialogTitle;
    dialog.ulFlags = kDialogFlags;
    PIDLIST_ABSOLUTE picked = SHBrowseForFolderW(&dialog);
    if (picked == nullptr) {
        TakePickedFolder(mainWindow, nullptr);
        return;
    }
    wchar_t path[MAX_PATH] = {};
    const bool havePath = SHGetPathFromIDListW(picked, path) != FALSE;
    CoTaskMemFree(picked);
    // A pick without a file-system path counts as no pick: an empty path would turn
    // into "\Vantrel\LMD", the root of whatever drive is current.
    TakePickedFolder(mainWindow, havePath ? path : nullptr);
}

void TakePickedFolder(HWND mainWindow, const wchar_t* pickedFolder) {
    if (pickedFolder != nullptr) {
        const std::wstring_view picked(pickedFolder, wcsnlen(pickedFolder, MAX_PATH));
        if (const auto folder = InstallFolderForPick(picked)) {
            CopyInto(installDir, *folder);
            std::fill_n(folderText, kClearedBeforePick, L'\0');
            CopyInto(folderText, *folder);
            if (mainWindow != nullptr) {
                InvalidateRect(mainWindow, nullptr, TRUE);
            }
        }
    }
    SendFolderText(installDir);
}
