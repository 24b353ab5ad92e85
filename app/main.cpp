#include <windows.h>

#include "app/startup.h"
#include "core/dll_search.h"

// The command line is ignored: the program has no options.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RestrictDllSearch(); // before anything loads a DLL by name
    return RunTidewell(instance, showCommand);
}
