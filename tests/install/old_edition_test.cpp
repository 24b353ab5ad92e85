// Removal of the old edition against the stand-ins: the registered uninstall entry
// (32-bit view), the old suite's programs, and an uninstaller that hands its work to
// a copy of itself.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/app_object.h"
#include "core/handles.h"
#include "core/process_list.h"
#include "core/messages.h"
#include "install/old_edition.h"
#include "tests/install/recording_window.h"
#include "tests/install/standin_files.h"

namespace {
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                    L"{5B1E2C7A-94D3-4F08-A6C1-3D72E9B40F15}_is1";
constexpr wchar_t kUninstallerPath[] = L"C:\\Program Files (x86)\\Vantrel LMD\\unins000.exe";

void RegisterUninstallEntry(const std::wstring& text, REGSAM view = KEY_WOW64_32KEY) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0,
                              KEY_SET_VALUE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void RemoveUninstallEntry(REGSAM view = KEY_WOW64_32KEY) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, view, 0);
}

bool EntryPresent() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

class OldEditionTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseTempFolderAsCurrent();
        ClearKnobs();
        RemoveUninstallEntry(KEY_WOW64_32KEY);
        RemoveUninstallEntry(KEY_WOW64_64KEY);
        app->quitRequested.store(0);
        app->page.store(PAGE_REMOVE_OLD);
        recordFile = FreshFolder(L"old-edition-records") + L"\\starts.txt";
        SetKnob(L"TW_STANDIN_RECORD", recordFile);
    }
    void TearDown() override {
        app->quitRequested.store(0);
        RemoveUninstallEntry(KEY_WOW64_32KEY);
        RemoveUninstallEntry(KEY_WOW64_64KEY);
        ClearKnobs();
    }

    VBindCallback* app = GetApp();
    RecordingWindow window;
    std::wstring recordFile;
};
} // namespace

TEST_F(OldEditionTest, EntryIsReadFromThe32BitViewAndOnlyWhenItFits) {
    EXPECT_FALSE(IsOldEditionInstalled());
    EXPECT_EQ(ReadOldUninstallString(), L"");

    // Where a 64-bit installer would have written it: not the old edition. (A 32-bit
    // system has one view only, where both flags name the same key.)
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (sizeof(void*) == 8 || wow64) {
        RegisterUninstallEntry(L"\"C:\\x\\unins000.exe\"", KEY_WOW64_64KEY);
        EXPECT_FALSE(IsOldEditionInstalled());
    }

    const std::wstring longest = L"\"C:\\" + std::wstring(52, L'u') + L"\\u.exe\""; // 63
    ASSERT_EQ(longest.size(), 63u);
    RegisterUninstallEntry(longest);
    EXPECT_TRUE(IsOldEditionInstalled());
    EXPECT_EQ(ReadOldUninstallString(), longest);

    RegisterUninstallEntry(longest + L" "); // 64 characters: does not fit 128 bytes
    EXPECT_FALSE(IsOldEditionInstalled());
    EXPECT_EQ(ReadOldUninstallString(), L"");

    RegisterUninstallEntry(L""); // an emptied entry is what a finished uninstaller leaves
    EXPECT_FALSE(IsOldEditionInstalled());
}

// Program names compare as the file system compares file names: letter case never
// matters, for non-ASCII letters neither, and nothing else is ignored.
TEST(SameExeName, IgnoresLetterCaseOnlyForEveryScript) {
    EXPECT_TRUE(SameExeName(L"LMD.exe", L"lmd.EXE"));
    EXPECT_TRUE(SameExeName(L"\u00C4rger.exe", L"\u00E4RGER.exe"));                 // Ä, ä
    EXPECT_TRUE(SameExeName(L"\u041B\u041C\u0414.exe", L"\u043B\u043C\u0434.exe")); // ЛМД, лмд
    EXPECT_TRUE(SameExeName(L"\u5DE5\u4F5C.exe", L"\u5DE5\u4F5C.EXE"));             // 工作
    EXPECT_FALSE(SameExeName(L"LMD.exe", L"LMD.ex"));
    EXPECT_FALSE(SameExeName(L"LMDBoot.exe", L"LMDBoot.exe "));
    EXPECT_FALSE(SameExeName(L"\u00C4rger.exe", L"Arger.exe"));
}

TEST_F(OldEditionTest, EveryRunningProgramOfTheOldSuiteIsEnded) {
    const std::wstring suite = FreshFolder(L"old-suite");
    const std::wstring second = FreshFolder(L"old-suite-second");
    const std::wstring lower = FreshFolder(L"old-suite-lower");
    StartedPrograms programs;
    std::vector<HANDLE> suiteProcesses;
    for (const wchar_t* name : OldSuiteProcessNames) {
        const std::wstring path = suite + L"\\" + name;
        ASSERT_TRUE(PlaceStandin(L"standin_idle.exe", path)) << "TW_BIN must name the build";
        suiteProcesses.push_back(programs.Start(path));
    }
    // A second "LMD.exe", and one whose name differs only in case.
    ASSERT_TRUE(PlaceStandin(L"standin_idle.exe", second + L"\\LMD.exe"));
    ASSERT_TRUE(PlaceStandin(L"standin_idle.exe", lower + L"\\lmd.exe"));
    suiteProcesses.push_back(programs.Start(second + L"\\LMD.exe"));
    suiteProcesses.push_back(programs.Start(lower + L"\\lmd.exe"));
    // A bystander whose name only starts like a suite program.
    ASSERT_TRUE(PlaceStandin(L"standin_idle.exe", suite + L"\\LMDTools.exe"));
    HANDLE bystander = programs.Start(suite + L"\\LMDTools.exe");
    for (HANDLE process : suiteProcesses) {
        ASSERT_NE(process, nullptr);
    }
    ASSERT_NE(bystander, nullptr);
    // Each started program must be in the process list the removal walks.
    const auto listed = [](HANDLE process) {
        const DWORD id = GetProcessId(process);
        const std::vector<RunningProcess> processes = ListProcesses(TH32CS_SNAPPROCESS);
        return std::any_of(processes.begin(), processes.end(),
                           [id](const RunningProcess& p) { return p.id == id; });
    };
    const auto everyoneListed = [&] {
        return listed(bystander) &&
               std::all_of(suiteProcesses.begin(), suiteProcesses.end(), listed);
    };
    for (const ULONGLONG deadline = GetTickCount64() + 10000;
         !everyoneListed() && GetTickCount64() < deadline;) {
        Sleep(20);
    }
    ASSERT_TRUE(everyoneListed());

    EndOldSuitePrograms();

    for (std::size_t i = 0; i < suiteProcesses.size(); ++i) {
        EXPECT_TRUE(ProcessEnds(suiteProcesses[i], 5000)) << "program " << i << " survived";
    }
    EXPECT_FALSE(ProcessEnds(bystander, 0)) << "a program not of the suite was ended";
}

TEST_F(OldEditionTest, UninstallerRunsHiddenWithTheRegisteredTextAndIsWaitedFor) {
    ASSERT_TRUE(PlaceStandin(L"standin_uninstaller.exe", kUninstallerPath));
    const std::wstring registered = L"\"" + std::wstring(kUninstallerPath) + L"\"";
    RegisterUninstallEntry(registered);
    SetKnob(L"TW_STANDIN_UNINSTALL_DELAY_MS", L"1500");

    StartOldUninstaller(window.hwnd());
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_OLD_REMOVED) > 0; }, 20000));
    EXPECT_FALSE(EntryPresent());
    window.PumpFor(500);
    EXPECT_EQ(window.Count(UM_OLD_REMOVED), 1u);
    EXPECT_EQ(window.Count(UM_OLD_REMOVAL_FAILED), 0u);

    const std::vector<StartRecord> starts = ReadStartRecords(recordFile);
    ASSERT_EQ(starts.size(), 2u) << "the uninstaller and the copy it handed over to";
    EXPECT_EQ(starts[0].role, L"uninstaller");
    EXPECT_EQ(lstrcmpiW(starts[0].module.c_str(), kUninstallerPath), 0) << starts[0].module;
    EXPECT_EQ(starts[0].arguments, L"/verysilent");
    EXPECT_EQ(starts[0].showCommand, SW_HIDE);
    EXPECT_EQ(starts[1].role, L"uninstaller-copy"); // its work was done by the copy
}

TEST_F(OldEditionTest, QuitDuringTheWaitSendsNothing) {
    RegisterUninstallEntry(L"\"C:\\nowhere\\unins000.exe\"");
    StartOldUninstaller(window.hwnd());
    window.PumpFor(300);
    app->quitRequested.store(1);
    RemoveUninstallEntry(); // gone after the quit: still nothing may be sent
    window.PumpFor(300);
    EXPECT_TRUE(window.All().empty());
}

TEST_F(OldEditionTest, QuitBeforeTheUninstallStepStartsNothing) {
    ASSERT_TRUE(PlaceStandin(L"standin_uninstaller.exe", kUninstallerPath));
    RegisterUninstallEntry(L"\"" + std::wstring(kUninstallerPath) + L"\"");
    app->quitRequested.store(1);
    StartOldUninstaller(window.hwnd());
    window.PumpFor(1500);
    EXPECT_TRUE(ReadStartRecords(recordFile).empty());
    EXPECT_TRUE(EntryPresent());
    EXPECT_TRUE(window.All().empty());
}

// An uninstaller slower than the grace: the window is told once, and the wait goes on
// until the entry is gone after all.
TEST_F(OldEditionTest, SlowUninstallerIsReportedOnceAndStillWaitedFor) {
    ASSERT_TRUE(PlaceStandin(L"standin_uninstaller.exe", kUninstallerPath));
    RegisterUninstallEntry(L"\"" + std::wstring(kUninstallerPath) + L"\"");
    SetKnob(L"TW_STANDIN_UNINSTALL_DELAY_MS", L"6000");
    constexpr DWORD kGraceMs = 2000;
    const ULONGLONG start = GetTickCount64();
    StartOldUninstaller(window.hwnd(), kGraceMs);

    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_OLD_REMOVED) > 0; }, 20000));
    window.PumpFor(300);
    ASSERT_EQ(window.Count(UM_OLD_REMOVAL_FAILED), 1u);
    EXPECT_GE(window.Received(UM_OLD_REMOVAL_FAILED)[0].atMs - start, kGraceMs);
    ASSERT_EQ(window.Count(UM_OLD_REMOVED), 1u);
    EXPECT_GT(window.Received(UM_OLD_REMOVED)[0].atMs,
              window.Received(UM_OLD_REMOVAL_FAILED)[0].atMs);
    EXPECT_FALSE(EntryPresent());
}

TEST_F(OldEditionTest, EntryGoneBeforeTheUninstallStepReportsTheRemovalAtOnce) {
    // The entry vanished during the pause before this step: the wait ends at once.
    StartOldUninstaller(window.hwnd());
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_OLD_REMOVED) > 0; }, 2000));
    window.PumpFor(300);
    EXPECT_EQ(window.Count(UM_OLD_REMOVED), 1u);
    EXPECT_EQ(window.Count(UM_OLD_REMOVAL_FAILED), 0u);
}
