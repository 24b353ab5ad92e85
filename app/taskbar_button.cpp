#include "app/taskbar_button.h"

#include <shobjidl.h>

#include <optional>

#include "core/com_ptr.h"
#include "core/run_time_link.h"

namespace {
// ChangeWindowMessageFilterEx (Windows 7): the build targets XP, which lacks it.
using ChangeWindowMessageFilterExFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
constexpr DWORD kMessageFilterAllow = 1; // MSGFLT_ALLOW

UINT buttonCreatedMessage = 0;
ComPtr<ITaskbarList3> taskbar;
TaskbarState wanted;                 // what the wizard shows now
std::optional<TaskbarState> applied; // what the shell was last told
std::optional<FlashCause> flashing;  // why the button was last set flashing

TBPFLAG FlagOf(TaskbarMark mark) {
    switch (mark) {
    case TaskbarMark::Normal:
        return TBPF_NORMAL;
    case TaskbarMark::Paused:
        return TBPF_PAUSED;
    case TaskbarMark::Error:
        return TBPF_ERROR;
    case TaskbarMark::None:
        break;
    }
    return TBPF_NOPROGRESS;
}

void Apply(HWND window) {
    if (!taskbar || applied == wanted) {
        return;
    }
    if (wanted.mark == TaskbarMark::None) {
        taskbar->SetProgressState(window, TBPF_NOPROGRESS);
        applied = wanted;
        return;
    }
    const bool wasShowing = applied && applied->mark != TaskbarMark::None;
    // The value first: on a button without progress it turns progress on.
    if (!wasShowing || applied->done != wanted.done) {
        taskbar->SetProgressValue(window, wanted.done, kTaskbarRange);
    }
    if (!wasShowing || applied->mark != wanted.mark) {
        taskbar->SetProgressState(window, FlagOf(wanted.mark));
    }
    applied = wanted;
}
} // namespace

void ListenForTaskbarButton(HWND window) {
    buttonCreatedMessage = RegisterWindowMessageW(L"TaskbarButtonCreated");
    // Run elevated, the window would not hear from a non-elevated shell otherwise.
    const auto allow = LookUpFunction<ChangeWindowMessageFilterExFunction>(
        GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx");
    if (allow != nullptr && buttonCreatedMessage != 0) {
        allow(window, buttonCreatedMessage, kMessageFilterAllow, nullptr);
    }
}

bool IsTaskbarButtonCreated(UINT message) {
    return buttonCreatedMessage != 0 && message == buttonCreatedMessage;
}

void OnTaskbarButtonCreated(HWND window) {
    taskbar.reset();
    applied.reset(); // a new button shows nothing yet
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                taskbar.out())) ||
        !taskbar || FAILED(taskbar->HrInit())) {
        taskbar.reset(); // before Windows 7 there is no such object: no progress, silently
        return;
    }
    Apply(window);
}

void ShowTaskbarProgress(HWND window, const TaskbarState& state) {
    wanted = state;
    Apply(window);
}

void ForgetTaskbarButton() {
    taskbar.reset();
    applied.reset();
}

void FlashTaskbarButton(HWND window, FlashCause cause) {
    DWORD foregroundProcess = 0;
    HWND foreground = GetForegroundWindow();
    if (foreground != nullptr) {
        GetWindowThreadProcessId(foreground, &foregroundProcess);
    }
    if (foregroundProcess == GetCurrentProcessId()) {
        return; // the user is looking at the wizard or at its question
    }
    FLASHWINFO flash{};
    flash.cbSize = sizeof(flash);
    flash.hwnd = window;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
    flashing = cause;
}

void StopTaskbarFlash(HWND window, FlashCause cause) {
    if (flashing != cause) {
        return;
    }
    // The flash would otherwise go on until the window comes forward, which answering
    // the question does not always bring about.
    FLASHWINFO stop{};
    stop.cbSize = sizeof(stop);
    stop.hwnd = window;
    stop.dwFlags = FLASHW_STOP;
    FlashWindowEx(&stop);
    flashing.reset();
}
