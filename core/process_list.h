#pragma once
#include <windows.h>

#include <string>
#include <vector>

// One entry of the system's process list.
struct RunningProcess {
    DWORD id = 0;
    std::wstring exeName; // the executable's file name, without a folder
};

// The processes of a Toolhelp snapshot taken with `snapshotFlags` (TH32CS_SNAPPROCESS or
// a wider set); empty when the list cannot be read.
std::vector<RunningProcess> ListProcesses(DWORD snapshotFlags);

// Whether two executable file names name the same file, ignoring letter case the way
// the file system does, for non-ASCII letters too.
bool SameExeName(const std::wstring& a, const std::wstring& b);
