#pragma once
#include <windows.h>

// Starts a worker with _beginthreadex and lets its handle go: workers report through
// the private messages and end by themselves, so nobody waits on them. False when
// the thread could not be made.
bool StartWorker(unsigned(__stdcall* proc)(void*), void* argument);
