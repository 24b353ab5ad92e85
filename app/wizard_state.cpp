#include "app/wizard_state.h"

#include <cwchar>

#include "app/wizard_pages.h"
#include "core/app_object.h"

WizardState wizard;
unsigned slideIndex = 0;

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
