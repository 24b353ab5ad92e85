#pragma once
#include <windows.h>

#include <memory>
#include <utility>

// Starts a worker with _beginthreadex and lets its handle go: workers report through
// the private messages and end by themselves, so nobody waits on them. False when
// the thread could not be made.
bool StartWorker(unsigned(__stdcall* proc)(void*), void* argument);

// Starts a worker that owns `argument`: it takes it with TakeWorkerArgument. Nothing is
// left behind when no thread could be made (false then).
template <typename Argument>
bool StartWorkerWith(unsigned(__stdcall* proc)(void*), Argument argument) {
    auto owned = std::make_unique<Argument>(std::move(argument));
    if (!StartWorker(proc, owned.get())) {
        return false;
    }
    owned.release(); // the thread's now
    return true;
}

// The worker's side: its argument, deleted when the worker is done with it.
template <typename Argument> std::unique_ptr<Argument> TakeWorkerArgument(void* argument) {
    return std::unique_ptr<Argument>(static_cast<Argument*>(argument));
}
