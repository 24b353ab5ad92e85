#pragma once
#include <windows.h>

#include <string>

// What an accessibility client (a screen reader, a voice control) learns about a
// control beyond what the system's standard object for it says. Empty or zero members
// leave the standard object's answer.
struct AccessibleFacts {
    std::wstring name;
    long role = 0; // ROLE_SYSTEM_...
    std::wstring value;
    bool focused = false;     // holds the keyboard focus as the window's keys see it
    bool checked = false;     // a checked box (not every standard object says so)
    bool unavailable = false; // greyed: takes no click now
};

// Asked afresh at every question, so that a client holding the object reads what
// stands now (the status line changes while a screen reader watches it).
using AccessibleFactsSource = AccessibleFacts (*)(HWND control);

// For WM_GETOBJECT sent to `control`: answers the client area's object with one that
// tells what `source` says and leaves every other question to the standard object.
// Returns 0 where the message is to be passed on: another object is asked for, or
// oleacc.dll (loaded at run time, from the system folder) cannot serve.
LRESULT AnswerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam,
                               AccessibleFactsSource source);
