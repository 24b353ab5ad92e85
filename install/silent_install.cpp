#include "install/silent_install.h"

#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "core/app_object.h"
#include "core/handles.h"
#include "core/held_installer.h"
#include "core/held_files.h"
#include "core/messages.h"
#include "core/worker_thread.h"
#include "core/working_paths.h"
#include "install/folder_rules.h"
#include "install/progress_rules.h"
#include "install/registry_polling.h"

namespace {
constexpr wchar_t kProgressKey[] = L"Software\\Halvesta\\LMD\\4.0\\Install\\Progress";
constexpr wchar_t kProgressValue[] = L"ProcessNum";

// What the poller needs to start the installer: taken on the main thread, where the
// install folder lives, and handed over with the thread.
struct InstallRun {
    HWND window = nullptr;
    std::wstring installer;
    std::optional<std::wstring> parameters; // nothing: the folder does not fit them
};

// Opens the progress key if the installer has created it; never creates it.
ScopedRegKey OpenProgressKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgressKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
        return ScopedRegKey();
    }
    return ScopedRegKey(key);
}

void WriteProgress(HKEY key, DWORD value) {
    RegSetValueExW(key, kProgressValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
}

// The value when it is a 4-byte DWORD; nothing otherwise.
std::optional<std::uint32_t> ReadProgress(HKEY key) {
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key, kProgressValue, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
        return std::nullopt;
    }
    return value;
}

// Runs the installer hidden. A scanner may hold the new file for a moment: that is
// waited for, not taken as an installer that cannot start. Nothing when it could not
// be started at all; a null handle when it runs without a process to watch.
std::optional<ScopedHandle> LaunchInstaller(const InstallRun& run) {
    if (run.installer.empty() || !run.parameters) {
        return std::nullopt;
    }
    HANDLE process = nullptr;
    const VBindCallback* app = GetApp();
    const bool started = RetryWhileHeld(
        [&] {
            SHELLEXECUTEINFOW execute{};
            execute.cbSize = sizeof(execute);
            execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
            execute.lpVerb = L"open";
            execute.lpFile = run.installer.c_str();
            execute.lpParameters = run.parameters->c_str();
            execute.nShow = SW_HIDE;
            if (!ShellExecuteExW(&execute)) {
                return false;
            }
            process = execute.hProcess;
            return true;
        },
        [app] { return app->quitRequested.load() != 0; });
    if (!started) {
        return std::nullopt;
    }
    return ScopedHandle(process);
}

// Polls "ProcessNum" every 10 ms and reports it until it reaches 100. When the
// installer's process has ended short of that and the value has not moved for a grace,
// the window is told (UM_INSTALL_FAILED) and the poller falls silent, but goes on
// looking: an installer that handed its work to another process may still get there.
// A value that moves again brings the progress reports back, and a new stall the notice.
unsigned FollowInstallProgress(const InstallRun& run, DWORD graceMs) {
    const VBindCallback* app = GetApp();
    ScopedRegKey key;
    std::uint32_t last = 0;
    bool launched = false;
    ScopedHandle installer;
    std::optional<std::uint32_t> endedAt;     // when it could not start, or its process ended
    std::uint32_t changedAt = GetTickCount(); // the value's last change, or the start
    bool silent = false; // the window was told of a stall, and the value has not moved since
    while (app->quitRequested.load() == 0 && app->page.load() != PAGE_DONE) {
        if (!key.valid()) {
            key = OpenProgressKey();
            if (key.valid()) {
                // A 100 left by an earlier installation must not end this one at once.
                WriteProgress(key.get(), 0);
            }
        }
        if (key.valid()) {
            const std::uint32_t read = ReadProgress(key.get()).value_or(last);
            if (read != last) {
                last = read;
                changedAt = GetTickCount();
                silent = false; // the work goes on after all
            }
        }
        if (ReportedInstallPercent(last) >= 100) {
            // Installed: the checked file need not be held any more. Until then it is,
            // as an installer reads its own file while it runs, and the file it reads
            // must be the one that was checked.
            LetGoOfAnyInstaller();
        }
        if (!silent) {
            SendMessageW(run.window, UM_INSTALL_PROGRESS, ReportedInstallPercent(last), 0);
        }
        if (!launched) {
            // Only now: the first poll has reset a value an earlier run left behind.
            launched = true;
            std::optional<ScopedHandle> process = LaunchInstaller(run);
            if (process) {
                installer = std::move(*process);
            } else {
                endedAt = GetTickCount();
            }
            changedAt = GetTickCount();
        }
        if (!endedAt && installer.valid() &&
            WaitForSingleObject(installer.get(), 0) == WAIT_OBJECT_0) {
            endedAt = GetTickCount();
        }
        switch (JudgeInstallPoll(last, endedAt, changedAt, GetTickCount(), graceMs)) {
        case InstallPollVerdict::kFinished:
            SendMessageW(run.window, UM_INSTALL_DONE, 0, 0);
            return 0;
        case InstallPollVerdict::kInstallerQuit:
            if (!silent) {
                SendMessageW(run.window, UM_INSTALL_FAILED, ReportedInstallPercent(last), 0);
                silent = true;
            }
            break;
        case InstallPollVerdict::kKeepPolling:
            break;
        }
        Sleep(kRegistryPollIntervalMs);
    }
    return 0;
}

unsigned __stdcall InstallProgressThread(void* installRun) {
    const auto run = TakeWorkerArgument<InstallRun>(installRun);
    try {
        return FollowInstallProgress(*run, kInstallerExitGraceMs);
    } catch (...) {
        return 0; // out of memory at worst
    }
}
} // namespace

void StartSilentInstall() {
    VBindCallback* app = GetApp();
    if (app->quitRequested.load() != 0) {
        return; // the program is ending: start nothing more
    }
    if (app->mainWindow != nullptr) {
        InvalidateRect(app->mainWindow, nullptr, TRUE);
    }
    InstallRun run;
    run.window = app->mainWindow;
    run.installer = GetInstallerFilePath();
    run.parameters =
        InstallerParameters(std::wstring_view(installDir, wcsnlen(installDir, MAX_PATH)));
    // The poller starts the installer itself, after its first look at the registry.
    StartWorkerWith(InstallProgressThread, std::move(run));
}
