#pragma once
#include <windows.h>

#include <string>

// Shared by the stand-ins for the outside programs. Their knobs come from environment
// variables, which Tidewell passes on to every program it starts.

// A whole-number knob; `fallback` when it is unset or not a number.
long long KnobNumber(const wchar_t* name, long long fallback);
bool KnobSet(const wchar_t* name); // set to anything but "" or "0"

// Everything after the program name on the command line, as the program received it.
std::wstring ArgumentsText();

// Appends one line to the file named by TW_STANDIN_RECORD (nothing when unset):
// role, process id, show command (-1 when none was given), module path and the
// arguments, separated by tabs, UTF-8.
void RecordStart(const wchar_t* role);
