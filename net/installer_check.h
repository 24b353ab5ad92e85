#pragma once
#include <windows.h>

// Starts the verification of the installer working file that attempt `attempt` placed,
// on a thread of its own. It opens the file denying writing and deleting to everybody
// else, computes the digest (against the announced one) and checks the pinned publisher's
// signature on that very handle, and sends UM_INSTALLER_VERIFIED: wParam 1 when a fresh
// download is needed, 0 when the file is good; lParam the attempt. A good file stays
// held (core/held_installer.h) until the installer runs or the window lets go of it.
// Nothing is sent once the program is ending. False when no thread could be made.
bool StartVerification(HWND window, unsigned attempt);
