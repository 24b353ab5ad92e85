// Keeps one of the two registry pollers busy for a while, against a recording window
// that stands in for the main window, so measure_poll_cpu.py can read the CPU time
// of this process and of the wineserver from /proc.
//   poll_cpu_probe old SECONDS      the old edition's wait on an entry that stays
//   poll_cpu_probe install SECONDS  InstallProgressThread on a slow stand-in installer
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/app_object.h"
#include "core/working_paths.h"
#include "install/old_edition.h"
#include "install/silent_install.h"
#include "install/working_files.h"
#include "tests/install/recording_window.h"
#include "tests/install/standin_files.h"

namespace {
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                    L"{5B1E2C7A-94D3-4F08-A6C1-3D72E9B40F15}_is1";

void RegisterUninstallEntry() {
    const std::wstring text = L"\"C:\\nowhere\\unins000.exe\"";
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0,
                    KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr);
    RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: poll_cpu_probe old|install SECONDS\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    const DWORD seconds = static_cast<DWORD>(_wtoi(argv[2]));
    UseTempFolderAsCurrent();
    VBindCallback* app = GetApp();
    RecordingWindow window;
    app->mainWindow = window.hwnd();
    if (mode == L"old") {
        app->page.store(PAGE_REMOVE_OLD);
        RegisterUninstallEntry();
        StartOldUninstaller(window.hwnd()); // nothing to run: the wait alone
    } else {
        app->page.store(PAGE_INSTALL);
        if (!PlaceStandin(L"standin_installer.exe", GetInstallerFilePath())) {
            std::fprintf(stderr, "cannot place the stand-in installer (TW_BIN?)\n");
            return 1;
        }
        SetKnob(L"TW_STANDIN_INSTALL_SECONDS", std::to_wstring(seconds * 4));
        wcscpy_s(installDir, (FreshFolder(L"cpu-probe") + L"\\Vantrel\\LMD").c_str());
        StartSilentInstall();
    }
    std::printf("polling\n");
    std::fflush(stdout);
    window.PumpFor(seconds * 1000);
    std::printf("messages %u\n", static_cast<unsigned>(window.All().size()));
    std::fflush(stdout);
    app->quitRequested.store(1);
    window.PumpFor(200);
    KillProcessByName(L"TidewellInstall.exe");
    return 0;
}
