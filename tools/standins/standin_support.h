#pragma once
#include <windows.h>

#include <string>

// Shared by the stand-ins for the outside programs. Their knobs come from environment
// variables, which Tidewell passes on to every program it starts.

// A whole-number knob; `fallback` when it is unset or not a number.
long long KnobNumber(const wchar_t* name, long long fallback);
bool KnobSet(const wchar_t* name);          // set to anything but "" or "0"
std::wstring KnobText(const wchar_t* name); // "" when unset

std::wstring ModulePath(); // this program's own file

// Everything after the program name on the command line, as the program received it.
std::wstring ArgumentsText();

// Copies this program into the temporary folder as "<stem>_<process id>.exe" and starts
// the copy hidden with `arguments`, as installers of the Inno Setup kind hand their work
// to a copy so that their own file can go. False when the copy could not be started.
bool StartHiddenCopy(const wchar_t* stem, const std::wstring& arguments);

// Appends one line to the file named by TW_STANDIN_RECORD (nothing when unset):
// role, process id, show command (-1 when none was given), module path and the
// arguments, separated by tabs, UTF-8.
void RecordStart(const wchar_t* role);

// Appends one whole line (without its line end) to the same file, UTF-8.
void RecordLine(const std::wstring& line);
