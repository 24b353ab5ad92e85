// Stands in for a program of the old suite: a windowless process that idles until it
// is ended (tests copy it under the old suite's file names). It ends by itself after
// TW_STANDIN_IDLE_SECONDS (default 600) so that nothing outlives a broken test.
#include <windows.h>

#include "tools/standins/standin_support.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const long long seconds = KnobNumber(L"TW_STANDIN_IDLE_SECONDS", 600);
    Sleep(static_cast<DWORD>(seconds > 0 ? seconds * 1000 : 0));
    return 0;
}
