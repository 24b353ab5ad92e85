// Calls delay-loaded functions as the command line says, then ends with an exit code:
//   present           eight threads at once call comctl32 functions imported by name and
//                     by ordinal: 0 when each worked and comctl32 came from the system
//                     folder, 2 when a call failed, 3 when comctl32 came from elsewhere
//   missing-function  calls a function comctl32 lacks
//   missing-dll       calls a function of a DLL that does not exist
// The last two never return here: the delay-load helper says what is missing and ends
// the program.
#include <windows.h>

#include <commctrl.h>

extern "C" void WINAPI TidewellAbsentFunction();
extern "C" void WINAPI TidewellProbe();

namespace {
HANDLE start;
volatile LONG failures = 0;

DWORD WINAPI CallComctl32(void*) {
    WaitForSingleObject(start, INFINITE);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    const HDPA array = DPA_Create(4);
    if (!InitCommonControlsEx(&controls) || array == nullptr || !DPA_Destroy(array)) {
        InterlockedIncrement(&failures);
    }
    return 0;
}

bool FromSystemFolder(HMODULE module) {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    const DWORD pathLength = GetModuleFileNameW(module, path, MAX_PATH);
    return length > 0 && length < pathLength && path[length] == L'\\' &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(length), folder,
                          static_cast<int>(length)) == CSTR_EQUAL;
}

int Present() {
    start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE threads[8];
    for (HANDLE& thread : threads) {
        thread = CreateThread(nullptr, 0, CallComctl32, nullptr, 0, nullptr);
    }
    SetEvent(start);
    WaitForMultipleObjects(8, threads, TRUE, INFINITE);
    if (failures != 0) {
        return 2;
    }
    return FromSystemFolder(GetModuleHandleW(L"comctl32.dll")) ? 0 : 3;
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    if (lstrcmpW(commandLine, L"present") == 0) {
        return Present();
    }
    if (lstrcmpW(commandLine, L"missing-function") == 0) {
        TidewellAbsentFunction();
    } else if (lstrcmpW(commandLine, L"missing-dll") == 0) {
        TidewellProbe();
    }
    return 1;
}
