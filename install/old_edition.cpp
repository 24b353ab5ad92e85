#include "install/old_edition.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <memory>

#include "core/app_object.h"
#include "core/handles.h"
#include "core/messages.h"
#include "core/process_list.h"
#include "core/registry_text.h"
#include "core/worker_thread.h"
#include "install/registry_polling.h"

namespace {
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                    L"{5B1E2C7A-94D3-4F08-A6C1-3D72E9B40F15}_is1";
constexpr wchar_t kUninstallValue[] = L"UninstallString";

struct RemovalWait {
    HWND window;
    DWORD graceMs;
};
unsigned __stdcall OldEditionWaitThread(void* removalWait);

// The uninstall text, empty when the entry is missing, is not text, or does not fit
// into 128 bytes. The old edition's installer was 32-bit, so its entry lives in the
// 32-bit view of HKLM\SOFTWARE even when we run as a 64-bit process.
std::wstring ReadUninstallText() {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY,
                      key.out()) != ERROR_SUCCESS) {
        return {};
    }
    return ReadRegistryText(key.get(), kUninstallValue, true).value_or(std::wstring());
}
} // namespace

const wchar_t* const OldSuiteProcessNames[16] = {
    L"LMDBoot.exe",   L"PkgKeeper.exe", L"LMDHover.exe", L"LMDMend32.exe",
    L"LMDMend64.exe", L"LMDRenew.exe",  L"KitMedic.exe", L"KitEnrol.exe",
    L"VolScan.exe",   L"ItemFacts.exe", L"PkgAide.exe",  L"DocSentry.exe",
    L"LMDSky.exe",    L"QtyNorms.exe",  L"WandSeek.exe", L"LMD.exe", // the main program last
};

bool IsOldEditionInstalled() {
    return !ReadUninstallText().empty();
}

std::wstring ReadOldUninstallString() {
    return ReadUninstallText();
}

void KillProcessByName(const wchar_t* exeName) {
    const DWORD self = GetCurrentProcessId();
    // Every process of the name: a second copy left running would keep the old suite's
    // files open while its uninstaller tries to remove them.
    for (const RunningProcess& process : ListProcesses(TH32CS_SNAPPROCESS)) {
        if (process.id == self || !SameExeName(process.exeName, exeName)) {
            continue;
        }
        const ScopedHandle handle(OpenProcess(PROCESS_TERMINATE, FALSE, process.id));
        if (handle.valid()) {
            TerminateProcess(handle.get(), 0);
        }
    }
}

void EndOldSuitePrograms() {
    for (const wchar_t* name : OldSuiteProcessNames) {
        KillProcessByName(name);
    }
}

void StartOldUninstaller(HWND mainWindow, DWORD graceMs) {
    if (GetApp()->quitRequested.load() != 0) {
        return; // the program is ending: start nothing more
    }
    const std::wstring command = ReadOldUninstallString();
    // The entry may have gone during the pause before this step; an empty file name
    // would make the shell open a folder window instead. The wait below then reports
    // the removal at once.
    if (!command.empty()) {
        // The text goes in as the file exactly as registered, quotation marks included.
        ShellExecuteW(nullptr, L"open", command.c_str(), L"/verysilent", nullptr, SW_HIDE);
    }
    StartWorkerWith(OldEditionWaitThread, RemovalWait{mainWindow, graceMs});
}

namespace {
unsigned WaitForOldEditionRemoval(HWND mainWindow, DWORD graceMs) {
    VBindCallback* app = GetApp();
    // Measured from here, right after the uninstaller was started. Its own process
    // proves nothing: uninstallers of this kind hand over to a copy and exit at once.
    const DWORD start = GetTickCount();
    bool told = false;
    for (;;) {
        if (app->quitRequested.load() != 0) {
            return 0;
        }
        if (!IsOldEditionInstalled()) {
            SendMessageW(mainWindow, UM_OLD_REMOVED, 0, 0);
            return 0;
        }
        // Slow is not failed: the user is told, and the wait goes on.
        if (!told && GetTickCount() - start >= graceMs) { // unsigned: right across the wrap
            SendMessageW(mainWindow, UM_OLD_REMOVAL_FAILED, 0, 0);
            told = true;
        }
        Sleep(kRegistryPollIntervalMs);
    }
}

unsigned __stdcall OldEditionWaitThread(void* removalWait) {
    const auto wait = TakeWorkerArgument<RemovalWait>(removalWait);
    return WaitForOldEditionRemoval(wait->window, wait->graceMs);
}
} // namespace
