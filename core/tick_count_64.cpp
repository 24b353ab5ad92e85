// Windows XP has no GetTickCount64, yet the static winpthread the C++ runtime needs
// calls it through the import table (its timed waits), which alone would stop the
// program from loading on XP. This file defines that import slot itself, so the
// linker takes it instead of kernel32's import: the first call looks the function
// up, and where it is missing the slot is pointed at a count kept from GetTickCount.
#include <windows.h>

#include <cstdint>

#include "core/tick_count_extension.h"

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

// The count where kernel32 has none: GetTickCount extended past its wrap by
// remembering the last answer. It only goes forward; it is not the time since boot.
ULONGLONG WINAPI TickCountExtended() {
    static std::uint64_t last = 0;
    std::uint64_t seen = __atomic_load_n(&last, __ATOMIC_ACQUIRE);
    for (;;) {
        const std::uint64_t next = ExtendTickCount(seen, GetTickCount());
        if (next == seen || __atomic_compare_exchange_n(&last, &seen, next, false, __ATOMIC_ACQ_REL,
                                                        __ATOMIC_ACQUIRE)) {
            return next;
        }
    }
}

ULONGLONG WINAPI ResolveTickCount64();

} // namespace

// The import slot every `call [__imp__GetTickCount64@0]` reads.
#if defined(__i386__)
extern "C" TickCount64 tidewellTickCount64Slot __asm__("__imp__GetTickCount64@0");
#else
extern "C" TickCount64 tidewellTickCount64Slot __asm__("__imp_GetTickCount64");
#endif
extern "C" {
TickCount64 tidewellTickCount64Slot = ResolveTickCount64;
}

namespace {

ULONGLONG WINAPI ResolveTickCount64() {
    TickCount64 found = TickCountExtended;
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        if (FARPROC real = GetProcAddress(kernel, "GetTickCount64")) {
            found = reinterpret_cast<TickCount64>(reinterpret_cast<void*>(real));
        }
    }
    // Every thread that gets here stores the same pointer.
    __atomic_store_n(&tidewellTickCount64Slot, found, __ATOMIC_RELEASE);
    return found();
}

} // namespace
