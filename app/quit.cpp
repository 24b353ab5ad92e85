#include "app/quit.h"

#include <windows.h>
#include <gdiplus.h>

#include "app/wizard_pages.h"
#include "core/app_object.h"
#include "core/held_installer.h"
#include "core/working_file_users.h"
#include "install/working_files.h"
#include "ui/retry_banner.h"

namespace {
// Long enough for a verification to finish the signature check it is in, for an
// attempt to see the stop and for a scanner to let go of a file it just opened; short
// enough that nobody waits for the program to end.
constexpr DWORD kLetGoWaitMs = 5000;
constexpr DWORD kDeleteRetryMs = 100;

bool cleanedUp = false;
} // namespace

void QuitWizard(bool cleanUp) {
    VBindCallback* app = GetApp();
    app->quitRequested.store(1); // every worker loop stops at its next check
    LetGoOfAnyInstaller();       // the verified file, held for an installer that never runs
    if (cleanUp) {
        CleanWorkingFiles();
        cleanedUp = true;
    }
    FreeControlRecords(*app);
    ReleaseRetryBannerImage(); // its animation thread draws through GDI+
    Gdiplus::GdiplusShutdown(app->gdiplusToken);
    PostQuitMessage(0);
}

void FinishQuitting() {
    if (!cleanedUp || !InstallerFilesLeft()) {
        return;
    }
    const DWORD start = GetTickCount();
    WaitUntilWorkingFilesAreFree(kLetGoWaitMs);
    for (;;) {
        LetGoOfAnyInstaller(); // a verification may have parked its file after the quit began
        CleanWorkingFiles();
        if (!InstallerFilesLeft() || GetTickCount() - start >= kLetGoWaitMs) {
            return; // unsigned difference: right across the wrap
        }
        Sleep(kDeleteRetryMs); // held by another program for a moment
    }
}
