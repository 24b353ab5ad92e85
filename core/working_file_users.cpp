#include "core/working_file_users.h"

#include <atomic>

namespace {
std::atomic<int> users{0};
constexpr DWORD kLookIntervalMs = 10;
} // namespace

WorkingFileUse::WorkingFileUse() {
    ++users;
}

WorkingFileUse::~WorkingFileUse() {
    --users;
}

bool WaitUntilWorkingFilesAreFree(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (users.load() != 0) {
        if (GetTickCount() - start >= timeoutMs) { // unsigned: right across the wrap
            return false;
        }
        Sleep(kLookIntervalMs);
    }
    return true;
}
