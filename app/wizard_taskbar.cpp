#include "app/wizard_taskbar.h"

#include <commctrl.h>

#include "app/taskbar_button.h"
#include "app/taskbar_state.h"
#include "app/wizard_state.h"
#include "core/app_object.h"

namespace {
int lastPage = -1;
} // namespace

void FollowWizardOnTaskbar(HWND mainWindow) {
    const VBindCallback* app = GetApp();
    if (app->quitRequested.load() != 0 || app->progressBar == nullptr) {
        return; // the controls' records are gone
    }
    const int page = app->page.load();
    const int bar = static_cast<int>(SendMessageW(app->progressBar->hwnd, PBM_GETPOS, 0, 0));
    // A stalled installer's notice, or the full disk's, is a failure the user must act on.
    const bool failureNotice =
        wizard.noticeShown || (wizard.offlinePaused && wizard.pauseCause == PauseCause::DiskFull);
    ShowTaskbarProgress(mainWindow, TaskbarStateFor(page, bar, failureNotice));
    if (page == PAGE_DONE && lastPage != PAGE_DONE && lastPage != -1) {
        FlashTaskbarButton(mainWindow, FlashCause::Finished);
    }
    lastPage = page;
}

int AskUser(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    FlashTaskbarButton(owner, FlashCause::Question);
    const int answer = MessageBoxW(owner, text, caption, type);
    StopTaskbarFlash(owner, FlashCause::Question);
    return answer;
}
