#include <windows.h>

#include "app/startup.h"

// The command line is ignored: the program has no options.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return RunTidewell(instance, showCommand);
}
