#include "core/worker_thread.h"

#include <process.h>

#include <cstdint>

bool StartWorker(unsigned(__stdcall* proc)(void*), void* argument) {
    const std::uintptr_t thread = _beginthreadex(nullptr, 0, proc, argument, 0, nullptr);
    if (thread == 0) {
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}
