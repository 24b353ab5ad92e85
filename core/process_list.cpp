#include "core/process_list.h"

#include <tlhelp32.h>

#include "core/handles.h"

std::vector<RunningProcess> ListProcesses(DWORD snapshotFlags) {
    std::vector<RunningProcess> processes;
    const ScopedHandle snapshot(CreateToolhelp32Snapshot(snapshotFlags, 0));
    if (!snapshot.valid()) {
        return processes;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        // The name may fill the field without a terminator.
        const std::size_t length = wcsnlen(entry.szExeFile, MAX_PATH);
        processes.push_back({entry.th32ProcessID, std::wstring(entry.szExeFile, length)});
    }
    return processes;
}

bool SameExeName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}
