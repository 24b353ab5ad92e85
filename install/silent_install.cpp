#include "install/silent_install.h"

#include <shellapi.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "core/app_object.h"
#include "core/handles.h"
#include "core/messages.h"
#include "core/worker_thread.h"
#include "core/working_paths.h"
#include "install/folder_rules.h"
#include "install/progress_rules.h"
#include "install/registry_polling.h"

namespace {
constexpr wchar_t kProgressKey[] = L"Software\\Halvesta\\LMD\\4.0\\Install\\Progress";
constexpr wchar_t kProgressValue[] = L"ProcessNum";

enum class Launch {
    kPending,    // the poller runs; the installer is about to be started
    kRunning,    // started; its process handle is known
    kUntracked,  // started without a process to watch, or nobody started one
    kNotStarted, // could not be started: it will never write 100
};

// Hands the installer's process from StartSilentInstall to the poller, which starts
// first (it must reset an old "ProcessNum" before the installer writes) and so
// cannot receive the handle as its argument.
class InstallerLaunch {
public:
    void Expect() {
        std::lock_guard<std::mutex> guard(lock_);
        state_ = Launch::kPending;
        process_.reset();
    }
    void Publish(Launch state, HANDLE process) {
        std::lock_guard<std::mutex> guard(lock_);
        state_ = state;
        process_.reset(process);
    }
    // Once the launch is known, moves it to the caller (the one poller).
    Launch Take(ScopedHandle& process) {
        std::lock_guard<std::mutex> guard(lock_);
        const Launch state = state_;
        if (state != Launch::kPending) {
            process.reset(process_.release());
            state_ = Launch::kUntracked;
        }
        return state;
    }

private:
    std::mutex lock_;
    Launch state_ = Launch::kUntracked;
    ScopedHandle process_;
};

InstallerLaunch installerLaunch;

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

bool InstallerHasEnded(Launch launch, const ScopedHandle& process) {
    switch (launch) {
    case Launch::kRunning:
        return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
    case Launch::kNotStarted:
        return true;
    default:
        return false;
    }
}

unsigned FollowInstallProgress(HWND window, DWORD graceMs) {
    VBindCallback* app = GetApp();
    ScopedRegKey key;
    std::uint32_t last = 0;
    ScopedHandle installer;
    Launch launch = Launch::kPending;
    std::optional<std::uint32_t> endedAt;
    while (app->quitRequested.load() == 0 && app->page.load() != PAGE_DONE) {
        if (!key.valid()) {
            key = OpenProgressKey();
            if (key.valid()) {
                // A 100 left by an earlier installation must not end this one at once.
                WriteProgress(key.get(), 0);
            }
        }
        if (key.valid()) {
            last = ReadProgress(key.get()).value_or(last);
        }
        SendMessageW(window, UM_INSTALL_PROGRESS, ReportedInstallPercent(last), 0);

        if (launch == Launch::kPending) {
            launch = installerLaunch.Take(installer);
        }
        if (!endedAt && InstallerHasEnded(launch, installer)) {
            endedAt = GetTickCount();
        }
        switch (JudgeInstallPoll(last, endedAt, GetTickCount(), graceMs)) {
        case InstallPollVerdict::kFinished:
            SendMessageW(window, UM_INSTALL_DONE, 0, 0);
            return 0;
        case InstallPollVerdict::kInstallerQuit:
            SendMessageW(window, UM_INSTALL_FAILED, ReportedInstallPercent(last), 0);
            return 0;
        case InstallPollVerdict::kKeepPolling:
            break;
        }
        Sleep(kRegistryPollIntervalMs);
    }
    return 0;
}
} // namespace

unsigned __stdcall InstallProgressThread(void* mainWindow) {
    return FollowInstallProgress(static_cast<HWND>(mainWindow), kInstallerExitGraceMs);
}

void StartSilentInstall() {
    VBindCallback* app = GetApp();
    if (app->quitRequested.load() != 0) {
        return; // the program is ending: start nothing more
    }
    const HWND window = app->mainWindow;
    if (window != nullptr) {
        InvalidateRect(window, nullptr, TRUE);
    }
    installerLaunch.Expect();
    StartWorker(InstallProgressThread, window);

    const std::wstring installer = GetInstallerFilePath();
    const auto parameters =
        InstallerParameters(std::wstring_view(installDir, wcsnlen(installDir, MAX_PATH)));
    if (installer.empty() || !parameters) {
        installerLaunch.Publish(Launch::kNotStarted, nullptr);
        return;
    }
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"open";
    run.lpFile = installer.c_str();
    run.lpParameters = parameters->c_str();
    run.nShow = SW_HIDE;
    if (!ShellExecuteExW(&run)) {
        installerLaunch.Publish(Launch::kNotStarted, nullptr);
    } else if (run.hProcess == nullptr) {
        installerLaunch.Publish(Launch::kUntracked, nullptr);
    } else {
        installerLaunch.Publish(Launch::kRunning, run.hProcess);
    }
}
