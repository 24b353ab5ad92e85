#pragma once
#include "core/handles.h"

// The verified installer, held open from its check until the installation is complete
// (an installer reads its own file while it runs: what it reads must be what was checked). The
// verification opens the working file denying writing and deleting to everyone else, computes its
// digest and signature on that very handle, and parks the handle here: from then on nothing - a
// late download attempt, another program - can write, replace or delete the file that was checked.
//
// Threading: any thread; one lock guards the one slot.

// Parks the handle of `attempt`'s verified file. A newer attempt's file replaces an
// older one's; an older attempt's arriving late is closed at once.
void HoldVerifiedInstaller(unsigned attempt, ScopedHandle file);

// Closes the held file when it is `attempt`'s: its verdict is not acted on.
void LetGoOfInstaller(unsigned attempt);

// Closes whatever is held: the installation is complete, or the program is ending.
void LetGoOfAnyInstaller();

// The attempt whose file is held (0: none).
unsigned HeldInstallerAttempt();
