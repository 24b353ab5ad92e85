#include "tools/standins/standin_support.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {
std::wstring EnvironmentText(const wchar_t* name) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
        return {};
    }
    std::vector<wchar_t> text(needed, L'\0');
    const DWORD written = GetEnvironmentVariableW(name, text.data(), needed);
    return written < needed ? std::wstring(text.data(), written) : std::wstring();
}

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            size, nullptr, nullptr);
    }
    return bytes;
}

int ShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
}
} // namespace

std::wstring ModulePath() {
    std::vector<wchar_t> path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length);
}

long long KnobNumber(const wchar_t* name, long long fallback) {
    const std::wstring text = EnvironmentText(name);
    if (text.empty()) {
        return fallback;
    }
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(text.c_str(), &end, 0);
    return end != nullptr && *end == L'\0' ? value : fallback;
}

bool KnobSet(const wchar_t* name) {
    const std::wstring text = EnvironmentText(name);
    return !text.empty() && text != L"0";
}

std::wstring KnobText(const wchar_t* name) {
    return EnvironmentText(name);
}

bool StartHiddenCopy(const wchar_t* stem, const std::wstring& arguments) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    const std::wstring copy =
        std::wstring(temp) + stem + L"_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    if (!CopyFileW(ModulePath().c_str(), copy.c_str(), FALSE)) {
        return false;
    }
    std::wstring command = L"\"" + copy + L"\" " + arguments;
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

std::wstring ArgumentsText() {
    // The program name ends at its closing quotation mark, or else at the first blank,
    // as the C runtime splits it.
    const wchar_t* at = GetCommandLineW();
    if (*at == L'"') {
        ++at;
        while (*at != L'\0' && *at != L'"') {
            ++at;
        }
        if (*at == L'"') {
            ++at;
        }
    } else {
        while (*at != L'\0' && *at != L' ' && *at != L'\t') {
            ++at;
        }
    }
    while (*at == L' ' || *at == L'\t') {
        ++at;
    }
    return at;
}

void RecordStart(const wchar_t* role) {
    RecordLine(std::wstring(role) + L"\t" + std::to_wstring(GetCurrentProcessId()) + L"\t" +
               std::to_wstring(ShowCommand()) + L"\t" + ModulePath() + L"\t" + ArgumentsText());
}

void RecordLine(const std::wstring& line) {
    const std::wstring recordFile = EnvironmentText(L"TW_STANDIN_RECORD");
    if (recordFile.empty()) {
        return;
    }
    const std::string bytes = Utf8(line + L"\n");
    // Appending keeps each line whole even when several stand-ins record at once.
    HANDLE file = CreateFileW(recordFile.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}
