#include "core/process_list.h"

#include <tlhelp32.h>

#include "core/handles.h"

namespace {
// Upper case by the invariant locale: the same on every system and in every user's
// language, as the file system compares names.
std::wstring InvariantUpper(const std::wstring& text) {
    if (text.empty()) {
        return text;
    }
    const int length = static_cast<int>(text.size());
    std::wstring upper(text.size(), L'\0');
    if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), length, upper.data(),
                     length) != length) {
        return text;
    }
    return upper;
}
} // namespace

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
    return a.size() == b.size() && InvariantUpper(a) == InvariantUpper(b);
}
