#pragma once
#include <windows.h>

// Workers that have a working file open (a download attempt writing its part, a
// verification reading the installer) count themselves here for as long as they do. The
// end of the program waits for them to let go before it deletes the working files, so
// that none stays behind because it was open at the wrong moment.
class WorkingFileUse {
public:
    WorkingFileUse();
    ~WorkingFileUse();
    WorkingFileUse(const WorkingFileUse&) = delete;
    WorkingFileUse& operator=(const WorkingFileUse&) = delete;
};

// Waits until no worker uses a working file, at most `timeoutMs`; whether none does.
bool WaitUntilWorkingFilesAreFree(DWORD timeoutMs);
