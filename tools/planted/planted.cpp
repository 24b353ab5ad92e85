// What an attacker drops beside Tidewell.exe in a Downloads folder: a DLL named like a
// system one. Loaded into any process, it leaves "<its own path>.ran" beside itself
// holding the path of the program that loaded it, and lets the process go on, as a
// real one would. It needs nothing but kernel32.
#include <windows.h>

namespace {
void LeaveMarker(HINSTANCE self) {
    wchar_t marker[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    lstrcpyW(marker + length, L".ran");
    wchar_t host[MAX_PATH];
    const DWORD hostLength = GetModuleFileNameW(nullptr, host, MAX_PATH);
    char text[3 * MAX_PATH + 2];
    int size = WideCharToMultiByte(CP_UTF8, 0, host, static_cast<int>(hostLength), text,
                                   3 * MAX_PATH, nullptr, nullptr);
    text[size++] = '\n';
    const HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        LeaveMarker(self);
    }
    return TRUE;
}
