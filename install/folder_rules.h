#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Rules for the install folder, free of Windows so they are tested natively; the
// Win32 layer feeds them the drive list, the drive types and the system folder.

// The installer's parameter text lives in 260 units; its fixed part takes 35, which
// leaves this much for the folder.
constexpr std::size_t kMaxInstallFolderLength = 224;
constexpr std::size_t kInstallerParametersCapacity = 260; // terminator included

struct DriveRoot {
    wchar_t letter = 0;
    bool fixed = false; // a local hard disk (GetDriveTypeW says DRIVE_FIXED)
};

// The roots of a GetLogicalDriveStringsW list ("C:\", "D:\", ...). Reads no further
// than the view, so a list that lost its final empty string is still safe.
std::vector<std::wstring> SplitDriveList(std::wstring_view list);

// The drive for a fresh installation: the second fixed drive in list order (a DVD,
// card reader or network drive never receives the suite), else the system drive,
// else C when even the system folder is unknown (`systemDrive` 0).
wchar_t ChooseDefaultDrive(const std::vector<DriveRoot>& drives, wchar_t systemDrive);

// "%c:\Program Files\Vantrel\LMD" and the label's notice "默认为您安装在%c盘".
std::wstring DefaultInstallFolder(wchar_t drive);
std::wstring DefaultFolderNotice(wchar_t drive);

// The install folder for a folder picked in the dialog: the pick, a backslash and
// "Vantrel\LMD" (a root like "E:\" keeps its own backslash too). Nothing when the
// result would not fit the installer's parameters, or the pick is empty.
std::optional<std::wstring> InstallFolderForPick(std::wstring_view picked);

// "/verysilent -progress -setuppath="FOLDER"", or nothing when it would not fit the
// 260-unit parameter buffer.
std::optional<std::wstring> InstallerParameters(std::wstring_view folder);
