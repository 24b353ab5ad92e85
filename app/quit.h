#pragma once

// The quit sequence shared by every way out: set quitRequested, optionally delete the
// working files, free the control records, shut GDI+ down, post WM_QUIT.
void QuitWizard(bool cleanUp);

// After the message loop has ended: when the quit sequence deleted the working files,
// waits a moment for workers that still had one open (a verification, an attempt
// being stopped) to let go, and deletes what they kept. Nothing otherwise.
void FinishQuitting();
