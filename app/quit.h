#pragma once

// The quit sequence shared by every way out: set quitRequested, optionally delete the
// working files, free the control records, shut GDI+ down, post WM_QUIT.
void QuitWizard(bool cleanUp);
