// Stands in for the new suite's installer: with "/verysilent -progress
// -setuppath="FOLDER"" it raises "ProcessNum" to 100 over a while, puts a marker file
// into the folder and registers the folder, as the real installer does. Knobs in
// README.md.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

#include "tools/standins/standin_support.h"

namespace {
constexpr wchar_t kProgressKey[] = L"Software\\Halvesta\\LMD\\4.0\\Install\\Progress";
constexpr wchar_t kProductKey[] = L"Software\\Halvesta\\LMD";
constexpr wchar_t kMarkerName[] = L"standin-installed.txt";
constexpr int kStepPercent = 5;

// Marks the copy the installer handed its work to, with the percentage it goes on from.
constexpr wchar_t kHandoffOption[] = L"/HANDOFF=";

struct Options {
    bool verySilent = false;
    bool progress = false;
    std::wstring setupPath;
    int handedOffAt = -1; // the copy's starting percentage; -1 in the original
};

// The switches are ASCII, so the C runtime's comparison serves (and XP has it).
bool StartsWithNoCase(const std::wstring& text, const wchar_t* head) {
    return _wcsnicmp(text.c_str(), head, wcslen(head)) == 0;
}

Options ReadOptions() {
    Options options;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; args != nullptr && i < count; ++i) {
        const std::wstring arg = args[i];
        if (_wcsicmp(arg.c_str(), L"/verysilent") == 0) {
            options.verySilent = true;
        } else if (_wcsicmp(arg.c_str(), L"-progress") == 0) {
            options.progress = true;
        } else if (StartsWithNoCase(arg, L"-setuppath=")) {
            options.setupPath = arg.substr(11); // the quotation marks are already gone
        } else if (StartsWithNoCase(arg, kHandoffOption)) {
            options.handedOffAt = _wtoi(arg.c_str() + wcslen(kHandoffOption));
        }
    }
    LocalFree(args);
    return options;
}

void WriteProgress(HKEY key, DWORD value) {
    RegSetValueExW(key, L"ProcessNum", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
}

void InstallFiles(const std::wstring& folder) {
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const std::wstring marker = folder + L"\\" + kMarkerName;
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        static const char kText[] = "installed by the stand-in installer\r\n";
        DWORD written = 0;
        WriteFile(file, kText, sizeof(kText) - 1, &written, nullptr);
        CloseHandle(file);
    }
    HKEY product = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &product, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(product, L"InstallPath", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(product);
    }
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const Options options = ReadOptions();
    const bool isCopy = options.handedOffAt >= 0;
    RecordStart(isCopy ? L"installer-copy" : L"installer");
    if (KnobSet(L"TW_STANDIN_WRITE_NOTHING")) {
        return 0;
    }
    if (!options.verySilent || !options.progress || options.setupPath.empty()) {
        return 2; // a real installer would show its wizard or publish no progress
    }
    Sleep(static_cast<DWORD>(isCopy ? KnobNumber(L"TW_STANDIN_HANDOFF_DELAY_MS", 7000)
                                    : KnobNumber(L"TW_STANDIN_KEY_DELAY_MS", 0)));
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgressKey, 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return 4;
    }
    const long long totalMs =
        KnobNumber(L"TW_STANDIN_INSTALL_MS", KnobNumber(L"TW_STANDIN_INSTALL_SECONDS", 3) * 1000);
    const long long stopAt = KnobNumber(L"TW_STANDIN_STOP_AT", -1);
    long long handoffAt = isCopy ? -1 : KnobNumber(L"TW_STANDIN_HANDOFF_AT", -1);
    const DWORD stepMs = static_cast<DWORD>(totalMs > 0 ? totalMs * kStepPercent / 100 : 0);
    // The copy writes the value it took over first, then goes on with the usual steps.
    int percent = isCopy ? options.handedOffAt : 0;
    while (percent < 100) {
        if (stopAt >= 0 && percent >= stopAt) {
            WriteProgress(key, static_cast<DWORD>(stopAt));
            RegCloseKey(key);
            return 3; // gave up half-way, as a failing installer does
        }
        if (handoffAt >= 0 && percent >= handoffAt) {
            WriteProgress(key, static_cast<DWORD>(handoffAt));
            // The original's work ends here; should the copy not start, it carries on itself.
            if (StartHiddenCopy(L"standin_installer", ArgumentsText() + L" " + kHandoffOption +
                                                          std::to_wstring(handoffAt))) {
                RegCloseKey(key);
                return 0;
            }
            handoffAt = -1;
        }
        WriteProgress(key, static_cast<DWORD>(percent));
        Sleep(stepMs);
        percent = (percent / kStepPercent + 1) * kStepPercent;
    }
    InstallFiles(options.setupPath);
    WriteProgress(key, static_cast<DWORD>(KnobNumber(L"TW_STANDIN_FINAL_VALUE", 100)));
    RegCloseKey(key);
    return 0;
}
