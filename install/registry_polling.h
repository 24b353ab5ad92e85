#pragma once
#include <windows.h>

// The installers report through the registry (the old uninstaller by removing its
// entry, the new installer through "ProcessNum"); both are polled this often.
constexpr DWORD kRegistryPollIntervalMs = 10;
