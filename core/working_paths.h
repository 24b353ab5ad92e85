#pragma once
#include <string>

// The program's two working items in the user's roaming Application Data folder.
// Both functions return an empty path when that folder cannot be obtained or the
// path would not fit 260 units; callers then touch nothing.
std::wstring GetInstallerFilePath(); // ...\TidewellInstall.exe
std::wstring GetImageFolderPath();   // ...\Image

// Where download attempt `attempt` writes before its file is placed: "<installer>.<n>.part"
// beside the installer file, or empty when that path would not fit 260 units.
std::wstring AttemptFilePath(const std::wstring& installerFile, unsigned attempt);
// Where the bytes earlier attempts received wait for the rest: "<installer>.held.part"
// beside the installer file (found by the same pattern), or empty when it would not fit.
std::wstring HeldBytesFilePath(const std::wstring& installerFile);
// The search pattern that finds every attempt's file beside the installer file.
std::wstring AttemptFilePattern(const std::wstring& installerFile);
