#include "app/wizard_state.h"

#include <cwchar>

#include "app/wizard_pages.h"
#include "core/app_object.h"

int maxPercent = 1;
unsigned slideIndex = 0;
int retryCount = 0;
int offlinePaused = 0;
bool installStalled = false;
unsigned failedAttempts = 0;
DWORD retryPausedAtMs = 0;
DWORD retryPauseMs = 0;
unsigned latestVerification = 0;

void GoToPage(int page) {
    GetApp()->page.store(page);
    ShowPage(page);
}

void SetStatusText(const wchar_t* format, int value) {
    wmemset(statusText, L'\0', 64);
    std::swprintf(statusText, 64, format, value);
}

void SetStatusText(const wchar_t* text) {
    wmemset(statusText, L'\0', 64);
    wcsncpy(statusText, text, 63);
}
