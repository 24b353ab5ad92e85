#pragma once
#include <windows.h>

#include "app/wizard_machine.h"

// The Win32 side of the wizard's decisions: hands one event to them and carries out the
// actions they return, in order. A question's message box dispatches further events
// while it is open; its answer is one more event. Main thread only.
void Dispatch(HWND hwnd, const WizardEvent& event);

// A worker's report to the main window as the event it stands for, dispatched. False
// for a message that is no worker report.
bool OnWorkerReport(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The slideshow's beat: the next slide on the download and install pages.
void OnSlideTick(HWND hwnd);
