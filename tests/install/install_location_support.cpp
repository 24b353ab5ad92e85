#include "tests/install/install_location_support.h"

#include <shlobj.h>

namespace {
constexpr wchar_t kProductKey[] = L"Software\\Halvesta\\LMD";
constexpr wchar_t kDialogTitle[] = L"浏览文件夹```选择文件夹";
constexpr DWORD kLookForMs = 10000;

struct Search {
    DWORD processId;
    HWND dialog;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t className[32] = {};
    GetClassNameW(hwnd, className, 32);
    if (owner == search->processId && lstrcmpW(className, L"#32770") == 0 &&
        IsWindowVisible(hwnd)) {
        search->dialog = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindTitle(HWND child, LPARAM param) {
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (lstrcmpW(text, kDialogTitle) == 0) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}
} // namespace

void RegisterFolder(const std::wstring& folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"InstallPath", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

void RemoveRegisteredFolder() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"InstallPath");
        RegCloseKey(key);
    }
}

DialogDriver::DialogDriver(DialogAction action, std::wstring pick)
    : action_(action), pick_(std::move(pick)), thread_([this] { Run(); }) {}

DialogDriver::~DialogDriver() {
    Finish();
}

DialogReport DialogDriver::Finish() {
    stop_.store(true);
    if (thread_.joinable()) {
        thread_.join();
    }
    return report_;
}

void DialogDriver::Run() {
    const ULONGLONG deadline = GetTickCount64() + kLookForMs;
    while (!stop_.load() && GetTickCount64() < deadline) {
        Search search{GetCurrentProcessId(), nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.dialog == nullptr) {
            Sleep(50);
            continue;
        }
        report_.dialogSeen = true;
        EnumChildWindows(search.dialog, FindTitle, reinterpret_cast<LPARAM>(&report_.titleSeen));
        if (action_ == DialogAction::kPick) {
            SendMessageW(search.dialog, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(pick_.c_str()));
            PostMessageW(search.dialog, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageW(search.dialog, WM_COMMAND, IDCANCEL, 0);
        }
        return;
    }
}
