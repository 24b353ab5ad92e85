// Stands in for the old edition's uninstaller: with "/verysilent" it hands its work to
// a copy of itself and exits at once, as uninstallers of its kind do so that their own
// file can be removed; the copy then deletes the old edition's uninstall entry after a
// while. Knobs in README.md.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "tools/standins/standin_support.h"

namespace {
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                    L"{5B1E2C7A-94D3-4F08-A6C1-3D72E9B40F15}_is1";
constexpr wchar_t kSecondPhase[] = L"/SECONDPHASE=";

struct Options {
    bool verySilent = false;
    bool secondPhase = false;
};

Options ReadOptions() {
    Options options;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    // The switches are ASCII, so the C runtime's comparison serves (and XP has it).
    for (int i = 1; args != nullptr && i < count; ++i) {
        if (_wcsicmp(args[i], L"/verysilent") == 0) {
            options.verySilent = true;
        } else if (_wcsnicmp(args[i], kSecondPhase, wcslen(kSecondPhase)) == 0) {
            options.secondPhase = true;
        }
    }
    LocalFree(args);
    return options;
}

std::wstring ModulePath() {
    std::vector<wchar_t> path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length);
}

// Starts a copy of this program from the temporary folder to do the work.
bool HandOver() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    const std::wstring self = ModulePath();
    const std::wstring copy = std::wstring(temp) + L"standin_uninstaller_" +
                              std::to_wstring(GetCurrentProcessId()) + L".exe";
    if (!CopyFileW(self.c_str(), copy.c_str(), FALSE)) {
        return false;
    }
    std::wstring command = L"\"" + copy + L"\" /verysilent " + kSecondPhase + L"\"" + self + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const Options options = ReadOptions();
    RecordStart(options.secondPhase ? L"uninstaller-copy" : L"uninstaller");
    if (!options.verySilent) {
        return 2; // a real one would ask the user first
    }
    if (!options.secondPhase && HandOver()) {
        return 0;
    }
    Sleep(static_cast<DWORD>(KnobNumber(L"TW_STANDIN_UNINSTALL_DELAY_MS", 1000)));
    if (!KnobSet(L"TW_STANDIN_UNINSTALL_KEEP_ENTRY")) {
        // The entry was written by a 32-bit installer: the 32-bit view, whatever our width.
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
    }
    return 0;
}
