#include "core/held_files.h"

bool IsHeldByAnotherProcess(DWORD error) {
    // Access denied too: Windows answers so for a file whose deletion is pending until
    // the last holder closes it, and some file systems for a file opened exclusively.
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}
