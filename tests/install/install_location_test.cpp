// The install folder: the registered folder of an earlier installation, the default
// on the second fixed drive, and what a pick in the folder dialog does, against a
// recording window standing in for the folder label.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/app_object.h"
#include "install/install_path.h"
#include "core/messages.h"
#include "install/install_location.h"
#include "tests/install/install_location_support.h"
#include "tests/install/recording_window.h"

namespace {
class InstallLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveRegisteredFolder();
        wcscpy_s(installDir, L"(untouched)");
        wcscpy_s(folderText, L"(untouched)");
        app->folderLabel = &labelRecord;
    }
    void TearDown() override {
        app->folderLabel = nullptr;
        RemoveRegisteredFolder();
    }
    std::vector<std::wstring> LabelTexts() const {
        std::vector<std::wstring> texts;
        for (const ReceivedMessage& m : label.Received(UM_SET_FOLDER_TEXT)) {
            texts.push_back(m.text);
        }
        return texts;
    }

    VBindCallback* app = GetApp();
    RecordingWindow label;
    RecordingWindow mainWindow;
    ChildControl labelRecord{nullptr, label.hwnd()};
};
} // namespace

TEST_F(InstallLocationTest, FreshInstallationProposesTheSecondFixedDrive) {
    // This prefix: C: and D: are fixed drives, Y: a network drive.
    ASSERT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_FALSE(HasInstallPath());
    InitInstallFolder();
    EXPECT_STREQ(installDir, L"D:\\Program Files\\Vantrel\\LMD");
    EXPECT_STREQ(folderText, L"默认为您安装在D盘");
    EXPECT_EQ(LabelTexts(), std::vector<std::wstring>{L"默认为您安装在D盘"});
}

TEST_F(InstallLocationTest, RegisteredFolderIsTakenUnchangedAndCannotBeChanged) {
    RegisterFolder(L"E:\\Old Place\\Lumo");
    ASSERT_TRUE(HasInstallPath());
    InitInstallFolder();
    EXPECT_STREQ(installDir, L"E:\\Old Place\\Lumo"); // no suffix, not checked on disk
    EXPECT_EQ(LabelTexts(), std::vector<std::wstring>{L"E:\\Old Place\\Lumo"});

    DialogDriver driver(DialogAction::kCancel);
    ChooseInstallFolder(mainWindow.hwnd());
    EXPECT_FALSE(driver.Finish().dialogSeen) << "the change link must not open the dialog";
    EXPECT_STREQ(installDir, L"E:\\Old Place\\Lumo");
    EXPECT_EQ(label.Count(UM_SET_FOLDER_TEXT), 1u); // nothing more was sent
}

TEST_F(InstallLocationTest, EmptyRegisteredFolderStillCountsAsInstalledBefore) {
    RegisterFolder(L"");
    ASSERT_TRUE(HasInstallPath());
    InitInstallFolder();
    EXPECT_STREQ(installDir, L"");
    EXPECT_EQ(LabelTexts(), std::vector<std::wstring>{L""});
    DialogDriver driver(DialogAction::kCancel);
    ChooseInstallFolder(mainWindow.hwnd());
    EXPECT_FALSE(driver.Finish().dialogSeen);
}

TEST_F(InstallLocationTest, RegisteredFolderOfSixtyFourCharactersCountsAsAbsent) {
    const std::wstring longest = L"E:\\" + std::wstring(60, L'a'); // 63 characters
    RegisterFolder(longest);
    EXPECT_TRUE(HasInstallPath());
    EXPECT_EQ(ReadInstallPath(), longest);

    RegisterFolder(longest + L"b"); // 64: with its terminator it needs 130 bytes
    EXPECT_FALSE(HasInstallPath());
    EXPECT_EQ(ReadInstallPath(), L"");
    InitInstallFolder();
    EXPECT_STREQ(installDir, L"D:\\Program Files\\Vantrel\\LMD");
}

TEST_F(InstallLocationTest, PickedDriveRootKeepsItsBackslashBeforeTheSuffix) {
    InitInstallFolder();
    TakePickedFolder(mainWindow.hwnd(), L"E:\\");
    EXPECT_STREQ(installDir, L"E:\\\\Vantrel\\LMD");
    EXPECT_STREQ(folderText, L"E:\\\\Vantrel\\LMD");
    EXPECT_EQ(LabelTexts().back(), L"E:\\\\Vantrel\\LMD");
}

TEST_F(InstallLocationTest, TooLongPickIsRefusedAndTheLabelShowsTheKeptFolder) {
    InitInstallFolder();
    const std::wstring tooLong = L"D:\\" + std::wstring(210, L'x'); // 213 + 12 > 224
    TakePickedFolder(mainWindow.hwnd(), tooLong.c_str());
    EXPECT_STREQ(installDir, L"D:\\Program Files\\Vantrel\\LMD");
    EXPECT_EQ(LabelTexts().back(), L"D:\\Program Files\\Vantrel\\LMD");

    const std::wstring longest = L"D:\\" + std::wstring(209, L'x'); // exactly 224 in the end
    TakePickedFolder(mainWindow.hwnd(), longest.c_str());
    EXPECT_EQ(std::wstring(installDir), longest + L"\\Vantrel\\LMD");
}

TEST_F(InstallLocationTest, CancelledDialogShowsTheDefaultFolderInsteadOfTheNotice) {
    InitInstallFolder();
    DialogDriver driver(DialogAction::kCancel);
    ChooseInstallFolder(mainWindow.hwnd());
    const DialogReport report = driver.Finish();
    EXPECT_TRUE(report.dialogSeen);
    EXPECT_TRUE(report.titleSeen) << "the dialog shows the title text";
    EXPECT_STREQ(installDir, L"D:\\Program Files\\Vantrel\\LMD");
    EXPECT_EQ(LabelTexts(), (std::vector<std::wstring>{L"默认为您安装在D盘",
                                                       L"D:\\Program Files\\Vantrel\\LMD"}));
}

TEST_F(InstallLocationTest, FolderPickedInTheDialogBecomesTheInstallFolder) {
    const std::wstring picked = L"D:\\Picked Place";
    CreateDirectoryW(picked.c_str(), nullptr);
    InitInstallFolder();
    DialogDriver driver(DialogAction::kPick, picked);
    ChooseInstallFolder(mainWindow.hwnd());
    ASSERT_TRUE(driver.Finish().dialogSeen);
    EXPECT_STREQ(installDir, L"D:\\Picked Place\\Vantrel\\LMD");
    EXPECT_STREQ(folderText, L"D:\\Picked Place\\Vantrel\\LMD");
    EXPECT_EQ(LabelTexts().back(), L"D:\\Picked Place\\Vantrel\\LMD");
}
