// Stands in for a resident virus scanner: it watches one folder and opens every file
// that newly appears there (created, or renamed into it) for reading, sharing it for
// reading only, holds it a while and closes it. Meanwhile nobody can write, rename or
// delete that file, which is what such scanners do to downloads. Knobs in README.md.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <utility>

#include "core/handles.h"
#include "tools/standins/standin_support.h"

namespace {
// How often the scanner looks at its files: a file still being written cannot be opened
// yet, so it is tried again every pass (for TW_STANDIN_SCAN_WAIT_MS at most).
constexpr DWORD kPassMs = 10;

// Milliseconds since 1970 by the system clock, so a test can set the scans beside its
// own times (Wine's clock is the host's).
long long WallMs() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const long long ticks = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000;
}

// One file the scanner has seen appear: waiting to be opened, or held.
struct Scan {
    ULONGLONG seenTick = 0;
    long long seenWall = 0;
    ULONGLONG openedTick = 0;
    long long openedWall = 0;
    DWORD lastError = 0;
    ScopedHandle file;
};

std::wstring FolderToWatch() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring folder = args != nullptr && count > 1 ? args[1] : L"";
    LocalFree(args);
    if (folder.empty()) {
        folder = KnobText(L"TW_STANDIN_SCAN_FOLDER");
    }
    if (folder.empty()) {
        wchar_t appData[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData))) {
            folder = appData; // where downloads of the kind it watches for land
        }
    }
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder;
}

// scan, pid, outcome (held | gone | busy), file, start, end, last error: one line a
// scan, written when it ends.
void RecordScan(const std::wstring& path, const wchar_t* outcome, long long start, long long end,
                DWORD error) {
    RecordLine(std::wstring(L"scan\t") + std::to_wstring(GetCurrentProcessId()) + L"\t" + outcome +
               L"\t" + path + L"\t" + std::to_wstring(start) + L"\t" + std::to_wstring(end) +
               L"\t" + std::to_wstring(error));
}

class Scanner {
public:
    explicit Scanner(std::wstring folder)
        : folder_(std::move(folder)), holdMs_(KnobNumber(L"TW_STANDIN_SCAN_MS", 2000)),
          waitMs_(KnobNumber(L"TW_STANDIN_SCAN_WAIT_MS", 120000)) {}

    // A name that appeared in the folder; a name already waiting or held is left alone.
    void Appeared(const std::wstring& name) {
        const std::wstring path = folder_.back() == L'\\' ? folder_ + name : folder_ + L"\\" + name;
        if (scans_.count(path) == 0) {
            Scan& scan = scans_[path];
            scan.seenTick = GetTickCount64();
            scan.seenWall = WallMs();
        }
    }

    // Opens what can be opened now and lets go of what was held long enough.
    void Pass() {
        const ULONGLONG now = GetTickCount64();
        for (auto at = scans_.begin(); at != scans_.end();) {
            if (Step(at->first, at->second, now)) {
                at = scans_.erase(at);
            } else {
                ++at;
            }
        }
    }

    ~Scanner() {
        for (auto& [path, scan] : scans_) {
            if (scan.file.valid()) {
                scan.file.reset();
                RecordScan(path, L"held", scan.openedWall, WallMs(), 0);
            }
        }
    }

private:
    // True when this scan is over.
    bool Step(const std::wstring& path, Scan& scan, ULONGLONG now) {
        if (scan.file.valid()) {
            if (now - scan.openedTick < static_cast<ULONGLONG>(holdMs_)) {
                return false;
            }
            scan.file.reset();
            RecordScan(path, L"held", scan.openedWall, WallMs(), 0);
            return true;
        }
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return true; // folders are not scanned
        }
        // Read access, shared for reading only: no one may write, rename or delete it.
        ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid()) {
            scan.file = std::move(file);
            scan.openedTick = now;
            scan.openedWall = WallMs();
            return false;
        }
        scan.lastError = GetLastError();
        if (scan.lastError == ERROR_FILE_NOT_FOUND || scan.lastError == ERROR_PATH_NOT_FOUND) {
            RecordScan(path, L"gone", scan.seenWall, WallMs(), scan.lastError);
            return true;
        }
        if (now - scan.seenTick >= static_cast<ULONGLONG>(waitMs_)) {
            RecordScan(path, L"busy", scan.seenWall, WallMs(), scan.lastError);
            return true;
        }
        return false;
    }

    std::wstring folder_;
    long long holdMs_;
    long long waitMs_;
    std::map<std::wstring, Scan> scans_;
};
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const std::wstring folder = FolderToWatch();
    ScopedHandle directory(CreateFileW(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    ScopedHandle changed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!directory.valid() || !changed.valid()) {
        return 2;
    }
    alignas(DWORD) static BYTE buffer[64 * 1024];
    OVERLAPPED overlapped{};
    overlapped.hEvent = changed.get();
    constexpr DWORD kWhat =
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
    auto watch = [&] {
        ResetEvent(changed.get());
        return ReadDirectoryChangesW(directory.get(), buffer, sizeof(buffer), FALSE, kWhat, nullptr,
                                     &overlapped, nullptr) != FALSE;
    };
    if (!watch()) {
        return 2;
    }
    // The start record comes once the folder is watched: a test may wait for it.
    RecordStart(L"scanner");
    Scanner scanner(folder);
    const long long idleSeconds = KnobNumber(L"TW_STANDIN_IDLE_SECONDS", 600);
    const ULONGLONG endTick = GetTickCount64() + static_cast<ULONGLONG>(idleSeconds) * 1000;
    while (GetTickCount64() < endTick) {
        if (WaitForSingleObject(changed.get(), kPassMs) == WAIT_OBJECT_0) {
            DWORD size = 0;
            if (!GetOverlappedResult(directory.get(), &overlapped, &size, FALSE)) {
                return 3;
            }
            for (DWORD offset = 0; size > 0;) {
                const auto* entry =
                    reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + offset);
                if (entry->Action == FILE_ACTION_ADDED ||
                    entry->Action == FILE_ACTION_RENAMED_NEW_NAME) {
                    scanner.Appeared(
                        std::wstring(entry->FileName, entry->FileNameLength / sizeof(wchar_t)));
                }
                if (entry->NextEntryOffset == 0) {
                    break;
                }
                offset += entry->NextEntryOffset;
            }
            if (!watch()) {
                return 3;
            }
        }
        scanner.Pass();
    }
    CancelIo(directory.get());
    return 0;
}
