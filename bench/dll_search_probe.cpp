// Times, inside one fresh process, the road RestrictDllSearch takes on this system, or
// ("preload") the road of systems without SetDefaultDllDirectories, where every system
// DLL the program will load by name is loaded from the system folder at start-up.
// Prints milliseconds; bench/startup_bench.py runs it side by side.
#include <windows.h>

#include <cstdio>

#include "core/dll_search.h"

int wmain(int argc, wchar_t** argv) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (argc > 1 && lstrcmpW(argv[1], L"preload") == 0) {
        PreloadSystemLibraries();
    } else {
        RestrictDllSearch();
    }
    QueryPerformanceCounter(&end);
    std::printf("%.3f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
    return 0;
}
