#include "tests/install/standin_files.h"

#include <shlobj.h>

#include <sstream>

namespace {
const wchar_t* const kKnobs[] = {
    L"TW_STANDIN_RECORD",
    L"TW_STANDIN_INSTALL_SECONDS",
    L"TW_STANDIN_INSTALL_MS",
    L"TW_STANDIN_STOP_AT",
    L"TW_STANDIN_WRITE_NOTHING",
    L"TW_STANDIN_FINAL_VALUE",
    L"TW_STANDIN_KEY_DELAY_MS",
    L"TW_STANDIN_UNINSTALL_DELAY_MS",
    L"TW_STANDIN_UNINSTALL_KEEP_ENTRY",
    L"TW_STANDIN_IDLE_SECONDS",
};

std::wstring Environment(const wchar_t* name) {
    wchar_t value[4096] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 4096);
    return length > 0 && length < 4096 ? std::wstring(value, length) : std::wstring();
}

std::wstring FromUtf8(const std::string& bytes) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(size > 0 ? size : 0, L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                            size);
    }
    return text;
}

std::string ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
    std::vector<std::wstring> fields;
    std::wstring::size_type start = 0;
    for (;;) {
        const auto tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? tab : tab - start));
        if (tab == std::wstring::npos) {
            return fields;
        }
        start = tab + 1;
    }
}
} // namespace

std::wstring StandinSource(const wchar_t* exeName) {
    std::wstring bin = Environment(L"TW_BIN");
    for (wchar_t& c : bin) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return L"\\\\?\\unix" + bin + L"\\standins\\" + exeName;
}

bool PlaceStandin(const wchar_t* exeName, const std::wstring& target) {
    const auto slash = target.find_last_of(L'\\');
    if (slash != std::wstring::npos) {
        SHCreateDirectoryExW(nullptr, target.substr(0, slash).c_str(), nullptr);
    }
    return CopyFileW(StandinSource(exeName).c_str(), target.c_str(), FALSE) != FALSE;
}

std::wstring FreshFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder = std::wstring(temp) + name;
    // SHFileOperation needs a double-NUL-ended list.
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW remove{};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&remove);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void UseTempFolderAsCurrent() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    SetCurrentDirectoryW(temp);
}

void SetKnob(const wchar_t* name, const std::wstring& value) {
    SetEnvironmentVariableW(name, value.c_str());
}

void ClearKnobs() {
    for (const wchar_t* knob : kKnobs) {
        SetEnvironmentVariableW(knob, nullptr);
    }
}

std::vector<StartRecord> ReadStartRecords(const std::wstring& recordFile) {
    std::vector<StartRecord> records;
    std::istringstream lines(ReadWholeFile(recordFile));
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::wstring> fields = SplitTabs(FromUtf8(line));
        if (fields.size() < 5) {
            continue;
        }
        StartRecord record;
        record.role = fields[0];
        record.processId = static_cast<DWORD>(std::stoul(fields[1]));
        record.showCommand = std::stoi(fields[2]);
        record.module = fields[3];
        record.arguments = fields[4];
        records.push_back(record);
    }
    return records;
}

StartedPrograms::~StartedPrograms() {
    for (HANDLE process : processes_) {
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
}

HANDLE StartedPrograms::Start(const std::wstring& path) {
    std::wstring command = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return nullptr;
    }
    CloseHandle(started.hThread);
    processes_.push_back(started.hProcess);
    return started.hProcess;
}

bool ProcessEnds(HANDLE process, DWORD timeoutMs) {
    return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
}
