// Stands in for the old edition's uninstaller: with "/verysilent" it hands its work to
// a copy of itself and exits at once, as uninstallers of its kind do so that their own
// file can be removed; the copy then deletes the old edition's uninstall entry after a
// while. Knobs in README.md.
#include <windows.h>
#include <shellapi.h>

#include <string>

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
    const size_t phaseLength = wcslen(kSecondPhase);
    for (int i = 1; args != nullptr && i < count; ++i) {
        if (_wcsicmp(args[i], L"/verysilent") == 0) {
            options.verySilent = true;
        } else if (_wcsnicmp(args[i], kSecondPhase, phaseLength) == 0) {
            options.secondPhase = true;
        }
    }
    LocalFree(args);
    return options;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const Options options = ReadOptions();
    RecordStart(options.secondPhase ? L"uninstaller-copy" : L"uninstaller");
    if (!options.verySilent) {
        return 2; // a real one would ask the user first
    }
    // The copy is told where the original lies, as an Inno Setup uninstaller tells its own.
    if (!options.secondPhase &&
        StartHiddenCopy(L"standin_uninstaller", std::wstring(L"/verysilent ") + kSecondPhase +
                                                    L"\"" + ModulePath() + L"\"")) {
        return 0;
    }
    Sleep(static_cast<DWORD>(KnobNumber(L"TW_STANDIN_UNINSTALL_DELAY_MS", 1000)));
    if (!KnobSet(L"TW_STANDIN_UNINSTALL_KEEP_ENTRY")) {
        // The entry was written by a 32-bit installer: the 32-bit view, whatever our width.
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
    }
    return 0;
}
