#include "app/quit.h"

#include <windows.h>
#include <gdiplus.h>

#include "app/wizard_pages.h"
#include "core/app_object.h"
#include "install/working_files.h"
#include "ui/retry_banner.h"

void QuitWizard(bool cleanUp) {
    VBindCallback* app = GetApp();
    app->quitRequested.store(1); // every worker loop stops at its next check
    if (cleanUp) {
        CleanWorkingFiles();
    }
    FreeControlRecords(*app);
    ReleaseRetryBannerImage(); // its animation thread draws through GDI+
    Gdiplus::GdiplusShutdown(app->gdiplusToken);
    PostQuitMessage(0);
}
