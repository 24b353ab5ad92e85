// The silent installation against the stand-in installer, copied to where the
// download leaves the real one: its parameters, the registry progress it publishes,
// and the ways an installation can end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_object.h"
#include "core/messages.h"
#include "core/working_paths.h"
#include "install/old_edition.h"
#include "install/silent_install.h"
#include "install/working_files.h"
#include "tests/install/recording_window.h"
#include "tests/install/standin_files.h"

// An installer that ended is given five seconds to report its last percentage.
static_assert(kInstallerExitGraceMs == 5000);

namespace {
constexpr wchar_t kProgressKey[] = L"Software\\Halvesta\\LMD\\4.0\\Install\\Progress";
constexpr wchar_t kProductKey[] = L"Software\\Halvesta\\LMD";
constexpr DWORD kFinishWithinMs = 20000;
// The grace plus the installer's own start under Wine.
constexpr DWORD kGiveUpWithinMs = kInstallerExitGraceMs + 10000;

void WriteProcessNum(DWORD value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kProgressKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"ProcessNum", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
    RegCloseKey(key);
}

// The value, or -1 when the key or value is missing.
long long ReadProcessNum() {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kProgressKey, L"ProcessNum", RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS) {
        return -1;
    }
    return value;
}

std::wstring RegisteredInstallPath() {
    wchar_t text[260] = {};
    DWORD size = sizeof(text);
    RegGetValueW(HKEY_CURRENT_USER, kProductKey, L"InstallPath", RRF_RT_REG_SZ, nullptr, text,
                 &size);
    return text;
}

class SilentInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseTempFolderAsCurrent();
        ClearKnobs();
        RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
        installer = GetInstallerFilePath();
        ASSERT_FALSE(installer.empty());
        ASSERT_TRUE(PlaceStandin(L"standin_installer.exe", installer))
            << "TW_BIN must name the build";
        recordFile = FreshFolder(L"install-records") + L"\\starts.txt";
        SetKnob(L"TW_STANDIN_RECORD", recordFile);
        SetKnob(L"TW_STANDIN_INSTALL_MS", L"1000");
        folder = FreshFolder(L"Lumo Suite") + L"\\Vantrel\\LMD";
        wcscpy_s(installDir, folder.c_str());
        app->quitRequested.store(0);
        app->page.store(PAGE_INSTALL);
        app->mainWindow = window.hwnd();
    }
    void TearDown() override {
        // Nothing of this test may go on writing into the next one's registry.
        app->quitRequested.store(1);
        window.PumpFor(100);
        KillProcessByName(L"TidewellInstall.exe");
        app->quitRequested.store(0);
        app->mainWindow = nullptr;
        ClearKnobs();
        RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
    }

    bool Ended() const {
        return window.Count(UM_INSTALL_DONE) + window.Count(UM_INSTALL_FAILED) > 0;
    }
    std::vector<WPARAM> ProgressValues() const {
        std::vector<WPARAM> values;
        for (const ReceivedMessage& m : window.Received(UM_INSTALL_PROGRESS)) {
            values.push_back(m.wParam);
        }
        return values;
    }
    // After the end, nothing more arrives: the poller has ended.
    void ExpectSilenceAfterTheEnd() {
        const std::size_t count = window.All().size();
        window.PumpFor(300);
        EXPECT_EQ(window.All().size(), count);
    }

    VBindCallback* app = GetApp();
    RecordingWindow window;
    std::wstring installer;
    std::wstring recordFile;
    std::wstring folder;
};
} // namespace

TEST_F(SilentInstallTest, InstallerRunsHiddenWithTheFolderAndIsFollowedToTheEnd) {
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return Ended(); }, kFinishWithinMs));
    ASSERT_EQ(window.Count(UM_INSTALL_DONE), 1u);
    EXPECT_EQ(window.Count(UM_INSTALL_FAILED), 0u);
    // The last progress report, right before the end, is the full 100.
    const auto& all = window.All();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all.back().message, UM_INSTALL_DONE);
    EXPECT_EQ(all[all.size() - 2].message, UM_INSTALL_PROGRESS);
    EXPECT_EQ(all[all.size() - 2].wParam, 100u);
    // Reported at every poll, seeing the installer's steps on the way.
    const std::vector<WPARAM> values = ProgressValues();
    EXPECT_GT(values.size(), 20u);
    EXPECT_TRUE(
        std::any_of(values.begin(), values.end(), [](WPARAM v) { return v > 0 && v < 100; }));
    ExpectSilenceAfterTheEnd();

    const std::vector<StartRecord> starts = ReadStartRecords(recordFile);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].arguments, L"/verysilent -progress -setuppath=\"" + folder + L"\"");
    EXPECT_EQ(starts[0].showCommand, SW_HIDE);
    EXPECT_EQ(lstrcmpiW(starts[0].module.c_str(), installer.c_str()), 0);
    EXPECT_TRUE(FileExists(folder + L"\\standin-installed.txt"));
    EXPECT_EQ(RegisteredInstallPath(), folder);
}

TEST_F(SilentInstallTest, HundredLeftByAnEarlierRunIsResetAtTheFirstOpen) {
    WriteProcessNum(100);
    SetKnob(L"TW_STANDIN_KEY_DELAY_MS", L"1500"); // the installer writes nothing for a while
    const ULONGLONG start = GetTickCount64();
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_INSTALL_PROGRESS) > 0; }, 5000));
    EXPECT_EQ(window.Received(UM_INSTALL_PROGRESS)[0].wParam, 0u);
    EXPECT_EQ(ReadProcessNum(), 0);
    EXPECT_EQ(window.Count(UM_INSTALL_DONE), 0u);

    ASSERT_TRUE(window.PumpUntil([&] { return Ended(); }, kFinishWithinMs));
    ASSERT_EQ(window.Count(UM_INSTALL_DONE), 1u);
    // Only the installer's own 100, after its delay and its steps, ended the wait.
    EXPECT_GE(window.Received(UM_INSTALL_DONE)[0].atMs - start, 1500u + 900u);
    ExpectSilenceAfterTheEnd();
}

TEST_F(SilentInstallTest, KeyCreatedLateIsPickedUp) {
    SetKnob(L"TW_STANDIN_KEY_DELAY_MS", L"1500");
    StartSilentInstall();
    window.PumpFor(1000);
    ASSERT_EQ(ReadProcessNum(), -1) << "the poller must never create the key itself";
    const std::vector<WPARAM> early = ProgressValues();
    EXPECT_FALSE(early.empty());
    EXPECT_TRUE(std::all_of(early.begin(), early.end(), [](WPARAM v) { return v == 0; }));

    ASSERT_TRUE(window.PumpUntil([&] { return Ended(); }, kFinishWithinMs));
    EXPECT_EQ(window.Count(UM_INSTALL_DONE), 1u);
    const std::vector<WPARAM> values = ProgressValues();
    EXPECT_TRUE(
        std::any_of(values.begin(), values.end(), [](WPARAM v) { return v > 0 && v < 100; }));
    ExpectSilenceAfterTheEnd();
}

TEST_F(SilentInstallTest, ValuesAboveHundredEndTheWaitAsAFullBar) {
    for (const wchar_t* finalValue : {L"150", L"4294967295"}) { // the last with the top bit set
        SCOPED_TRACE(finalValue);
        window.Clear();
        SetKnob(L"TW_STANDIN_FINAL_VALUE", finalValue);
        StartSilentInstall();
        ASSERT_TRUE(window.PumpUntil([&] { return Ended(); }, kFinishWithinMs));
        EXPECT_EQ(window.Count(UM_INSTALL_DONE), 1u);
        const std::vector<WPARAM> values = ProgressValues();
        EXPECT_EQ(values.back(), 100u);
        EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](WPARAM v) { return v <= 100; }));
        ExpectSilenceAfterTheEnd();
    }
}

TEST_F(SilentInstallTest, InstallerThatEndsShortOfHundredIsReportedAfterItsGrace) {
    SetKnob(L"TW_STANDIN_STOP_AT", L"50");
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return Ended(); }, kGiveUpWithinMs));
    ASSERT_EQ(window.Count(UM_INSTALL_FAILED), 1u);
    EXPECT_EQ(window.Received(UM_INSTALL_FAILED)[0].wParam, 50u); // the last percentage
    EXPECT_EQ(window.Count(UM_INSTALL_DONE), 0u);
    // The installer stopped at about half a second; the grace came on top of that.
    const ULONGLONG firstReport = window.Received(UM_INSTALL_PROGRESS)[0].atMs;
    EXPECT_GE(window.Received(UM_INSTALL_FAILED)[0].atMs - firstReport,
              static_cast<ULONGLONG>(kInstallerExitGraceMs));
    ExpectSilenceAfterTheEnd();
}

// Stalled is not over: an installer that handed its work to another process and
// ended is reported once, and the wizard still finishes when the value moves on.
TEST_F(SilentInstallTest, StalledInstallationThatMovesOnLaterStillFinishes) {
    SetKnob(L"TW_STANDIN_STOP_AT", L"40");
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_INSTALL_FAILED) > 0; },
                                 kGiveUpWithinMs));
    EXPECT_EQ(window.Received(UM_INSTALL_FAILED)[0].wParam, 40u);
    // Silent while the value stands still, so the notice stays on screen...
    const std::size_t reportsAtNotice = window.Count(UM_INSTALL_PROGRESS);
    window.PumpFor(300);
    EXPECT_EQ(window.Count(UM_INSTALL_PROGRESS), reportsAtNotice);
    // ...reporting again once the work goes on elsewhere, and done at 100.
    WriteProcessNum(70);
    ASSERT_TRUE(window.PumpUntil([&] { return ProgressValues().back() == 70; }, 3000));
    WriteProcessNum(100);
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_INSTALL_DONE) == 1; }, 3000));
    EXPECT_EQ(window.Count(UM_INSTALL_FAILED), 1u);
    ExpectSilenceAfterTheEnd();
}

TEST_F(SilentInstallTest, InstallerThatWritesNothingOrCannotStartIsReported) {
    SetKnob(L"TW_STANDIN_WRITE_NOTHING", L"1");
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return Ended(); }, kGiveUpWithinMs));
    EXPECT_EQ(window.Count(UM_INSTALL_FAILED), 1u);
    EXPECT_EQ(window.Received(UM_INSTALL_FAILED)[0].wParam, 0u);
    ExpectSilenceAfterTheEnd();

    window.Clear();
    ASSERT_TRUE(DeleteFileW(installer.c_str())); // the download is gone
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return Ended(); }, kGiveUpWithinMs));
    EXPECT_EQ(window.Count(UM_INSTALL_FAILED), 1u);
    EXPECT_EQ(window.Count(UM_INSTALL_DONE), 0u);
}

TEST_F(SilentInstallTest, QuitOrTheFinishPageStopsThePollerWithoutDone) {
    SetKnob(L"TW_STANDIN_INSTALL_MS", L"8000");
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_INSTALL_PROGRESS) > 5; }, 5000));
    app->quitRequested.store(1);
    window.PumpFor(100);
    const std::size_t atQuit = window.All().size();
    window.PumpFor(500);
    EXPECT_EQ(window.All().size(), atQuit);
    EXPECT_EQ(window.Count(UM_INSTALL_DONE), 0u);
    KillProcessByName(L"TidewellInstall.exe");
    app->quitRequested.store(0);

    window.Clear();
    StartSilentInstall();
    ASSERT_TRUE(window.PumpUntil([&] { return window.Count(UM_INSTALL_PROGRESS) > 5; }, 5000));
    app->page.store(PAGE_DONE);
    window.PumpFor(100);
    const std::size_t atDone = window.All().size();
    window.PumpFor(500);
    EXPECT_EQ(window.All().size(), atDone);
    EXPECT_EQ(window.Count(UM_INSTALL_DONE), 0u);
}
