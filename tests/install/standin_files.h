#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Helpers for tests that run the stand-ins for the outside programs.

// A stand-in as built (in $TW_BIN/standins), named so that this Windows program can
// open it: TW_BIN is a Linux path, reached through Wine's \\?\unix\ prefix.
std::wstring StandinSource(const wchar_t* exeName);
// Copies a stand-in to `target`, creating the folders on the way.
bool PlaceStandin(const wchar_t* exeName, const std::wstring& target);
// A fresh, empty folder under the temporary folder.
std::wstring FreshFolder(const wchar_t* name);
bool FileExists(const std::wstring& path);
// Makes the temporary folder the current one. Under ctest the test starts in a Linux
// folder that programs it starts (and that inherit it) cannot use.
void UseTempFolderAsCurrent();

// Knobs travel to the stand-ins through our environment, which children inherit.
void SetKnob(const wchar_t* name, const std::wstring& value);
void ClearKnobs(); // every TW_STANDIN_* knob, the record file included

// One line of a stand-in's record file.
struct StartRecord {
    std::wstring role; // "installer", "uninstaller", "uninstaller-copy"
    DWORD processId = 0;
    int showCommand = -1;   // -1: started without a show command
    std::wstring module;    // the program's own path
    std::wstring arguments; // the command line after the program name
};
std::vector<StartRecord> ReadStartRecords(const std::wstring& recordFile);

// Process handles of the stand-ins a test started, ended at the end of the test.
class StartedPrograms {
public:
    StartedPrograms() = default;
    StartedPrograms(const StartedPrograms&) = delete;
    StartedPrograms& operator=(const StartedPrograms&) = delete;
    ~StartedPrograms();
    // Starts `path` and keeps its process handle; nullptr when it cannot be started.
    HANDLE Start(const std::wstring& path);

private:
    std::vector<HANDLE> processes_;
};

// Waits until the process has ended; false when it still runs after `timeoutMs`.
bool ProcessEnds(HANDLE process, DWORD timeoutMs);
