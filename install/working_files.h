#pragma once
#include <string>

// The program's two working items in the user's roaming Application Data folder.
// Both functions return an empty path when that folder cannot be obtained or the
// path would not fit 260 units; callers then touch nothing.
std::wstring GetInstallerFilePath(); // ...\TidewellInstall.exe
std::wstring GetImageFolderPath();   // ...\Image

// Deletes a folder with everything in it and reports whether the folder itself went.
// Links (junctions, symbolic links) inside are removed themselves; what they point
// to is never touched. Read-only files stay, and so do the folders holding them.
bool DeleteFolderTree(const std::wstring& folder);

// Removes the image folder, then the installer file and what unfinished download
// attempts left beside it. Nothing is reported.
void CleanWorkingFiles();
