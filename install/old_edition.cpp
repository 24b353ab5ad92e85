#include "install/old_edition.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdint>

#include "app/app_object.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/worker_thread.h"

namespace {
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                    L"{5B1E2C7A-94D3-4F08-A6C1-3D72E9B40F15}_is1";
constexpr wchar_t kUninstallValue[] = L"UninstallString";
constexpr DWORD kRegistryTextBytes = 128; // 64 UTF-16 units, terminator included
constexpr std::size_t kRegistryTextUnits = kRegistryTextBytes / sizeof(wchar_t);
constexpr DWORD kPollIntervalMs = 10;

// The uninstall text, empty when the entry is missing, is not text, or does not fit
// into 128 bytes. The old edition's installer was 32-bit, so its entry lives in the
// 32-bit view of HKLM\SOFTWARE even when we run as a 64-bit process.
std::wstring ReadUninstallText() {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY,
                      key.out()) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t text[kRegistryTextUnits] = {};
    DWORD type = REG_NONE;
    DWORD size = kRegistryTextBytes;
    if (RegQueryValueExW(key.get(), kUninstallValue, nullptr, &type, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    // A value that fills the buffer exactly may lack its terminator.
    return std::wstring(text, wcsnlen(text, kRegistryTextUnits));
}

bool SameFileName(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
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
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) {
        return;
    }
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    // Every process of the name: a second copy left running would keep the old suite's
    // files open while its uninstaller tries to remove them.
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self || !SameFileName(entry.szExeFile, exeName)) {
            continue;
        }
        ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (process.valid()) {
            TerminateProcess(process.get(), 0);
        }
    }
}

void EndOldSuitePrograms() {
    for (const wchar_t* name : OldSuiteProcessNames) {
        KillProcessByName(name);
    }
}

void StartOldUninstaller(HWND mainWindow) {
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
    StartWorker(OldEditionWaitThread, mainWindow);
}

unsigned WaitForOldEditionRemoval(HWND mainWindow, DWORD graceMs) {
    VBindCallback* app = GetApp();
    // Measured from here, right after the uninstaller was started. Its own process
    // proves nothing: uninstallers of this kind hand over to a copy and exit at once.
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (app->quitRequested.load() != 0) {
            return 0;
        }
        if (!IsOldEditionInstalled()) {
            SendMessageW(mainWindow, UM_OLD_REMOVED, 0, 0);
            return 0;
        }
        if (GetTickCount64() - start >= graceMs) {
            SendMessageW(mainWindow, UM_OLD_REMOVAL_FAILED, 0, 0);
            return 0;
        }
        Sleep(kPollIntervalMs);
    }
}

unsigned __stdcall OldEditionWaitThread(void* mainWindow) {
    return WaitForOldEditionRemoval(static_cast<HWND>(mainWindow), kOldRemovalGraceMs);
}
