#pragma once
#include <windows.h>

#include "app/taskbar_state.h"

// The main window's taskbar button. From Windows 7 the shell can show progress on it
// (ITaskbarList3); the shell announces the button with the registered message
// "TaskbarButtonCreated" (again after Explorer restarts), and only then may the
// progress object be made. Without that message, or without the object (XP, Vista,
// Wine), the progress calls do nothing. The window's thread must be a COM apartment.

// At window creation: registers the message, and lets it through to an elevated run.
void ListenForTaskbarButton(HWND window);

// True for the registered "TaskbarButtonCreated" message.
bool IsTaskbarButtonCreated(UINT message);

// Makes the progress object afresh and shows the latest state on it.
void OnTaskbarButtonCreated(HWND window);

// Shows `state` on the button; the shell is called only when it changes.
void ShowTaskbarProgress(HWND window, const TaskbarState& state);

// Lets go of the progress object; before the window's COM apartment ends.
void ForgetTaskbarButton();

// Why the button flashes: a question's flash ends with its answer, the finish page's
// only when the user brings the window forward.
enum class FlashCause { Question, Finished };

// Flashes the button until the user brings the window forward, unless a window of this
// program is already in the foreground.
void FlashTaskbarButton(HWND window, FlashCause cause);

// Stops the button's flash if `cause` started the latest one: a flash started since for
// something else still wants the user.
void StopTaskbarFlash(HWND window, FlashCause cause);
