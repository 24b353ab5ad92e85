#pragma once
#include <string>

// Deletes a folder with everything in it and reports whether the folder itself went.
// Links (junctions, symbolic links) inside are removed themselves; what they point
// to is never touched. Read-only files stay, and so do the folders holding them.
bool DeleteFolderTree(const std::wstring& folder);

// Removes the image folder, then the installer file and what unfinished download
// attempts left beside it. Nothing is reported.
void CleanWorkingFiles();
