#include <gtest/gtest.h>

#include <string>

#include "install/folder_rules.h"

namespace {
DriveRoot Fixed(wchar_t letter) {
    return {letter, true};
}
DriveRoot Other(wchar_t letter) {
    return {letter, false};
}

// A GetLogicalDriveStringsW answer: roots each ended by NUL, then an empty string.
std::wstring DriveList(std::initializer_list<const wchar_t*> roots) {
    std::wstring list;
    for (const wchar_t* root : roots) {
        list.append(root).push_back(L'\0');
    }
    list.push_back(L'\0');
    return list;
}
} // namespace

TEST(SplitDriveList, ReadsTheRootsInOrderAndNeverPastTheList) {
    EXPECT_EQ(SplitDriveList(DriveList({L"C:\\", L"D:\\", L"Y:\\"})),
              (std::vector<std::wstring>{L"C:\\", L"D:\\", L"Y:\\"}));
    EXPECT_TRUE(SplitDriveList(DriveList({})).empty());
    EXPECT_TRUE(SplitDriveList(std::wstring_view()).empty());
    // A list cut off without its terminators still yields what it holds.
    const std::wstring cut = L"A:\\" + std::wstring(1, L'\0') + L"C:";
    EXPECT_EQ(SplitDriveList(cut), (std::vector<std::wstring>{L"A:\\", L"C:"}));
}

TEST(ChooseDefaultDrive, TakesTheSecondFixedDrive) {
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'C'), Fixed(L'D')}, L'C'), L'D');
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'C'), Fixed(L'D'), Fixed(L'E')}, L'C'), L'D');
    // A floppy A: before C: no longer makes C the "second" drive.
    EXPECT_EQ(ChooseDefaultDrive({Other(L'A'), Fixed(L'C'), Fixed(L'D')}, L'C'), L'D');
}

TEST(ChooseDefaultDrive, SkipsDvdCardReaderAndNetworkDrives) {
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'C'), Other(L'D'), Fixed(L'E')}, L'C'), L'E');
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'C'), Other(L'D'), Other(L'Y')}, L'C'), L'C');
}

TEST(ChooseDefaultDrive, FallsBackToTheSystemDriveThenToC) {
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'C')}, L'C'), L'C');
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'E')}, L'E'), L'E');
    EXPECT_EQ(ChooseDefaultDrive({}, L'F'), L'F');
    // The system folder did not fit its buffer (no letter) and fewer than two drives.
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'E')}, L'\0'), L'C');
    EXPECT_EQ(ChooseDefaultDrive({}, L'\0'), L'C');
    EXPECT_EQ(ChooseDefaultDrive({}, L'\\'), L'C'); // not a letter at all
    // With two fixed drives the system folder is not needed.
    EXPECT_EQ(ChooseDefaultDrive({Fixed(L'C'), Fixed(L'G')}, L'\0'), L'G');
}

TEST(DefaultFolder, FolderAndNoticeCarryTheLetter) {
    EXPECT_EQ(DefaultInstallFolder(L'D'), L"D:\\Program Files\\Vantrel\\LMD");
    EXPECT_EQ(DefaultFolderNotice(L'D'), L"默认为您安装在D盘");
}

TEST(InstallFolderForPick, AppendsTheSuffixEvenToADriveRoot) {
    EXPECT_EQ(InstallFolderForPick(L"C:\\Data"), L"C:\\Data\\Vantrel\\LMD");
    EXPECT_EQ(InstallFolderForPick(L"E:\\"), L"E:\\\\Vantrel\\LMD");
    EXPECT_FALSE(InstallFolderForPick(L"").has_value());
}

TEST(InstallFolderForPick, RefusesFoldersTooLongForTheInstallerParameters) {
    // "\Vantrel\LMD" adds 12 units: a pick of 212 gives exactly the 224 allowed.
    const std::wstring longest(212, L'x');
    ASSERT_TRUE(InstallFolderForPick(longest).has_value());
    EXPECT_EQ(InstallFolderForPick(longest)->size(), kMaxInstallFolderLength);
    EXPECT_FALSE(InstallFolderForPick(std::wstring(213, L'x')).has_value());
    EXPECT_FALSE(InstallFolderForPick(std::wstring(259, L'x')).has_value());
}

TEST(InstallerParameters, QuotesTheFolderAndNeverOverrunsTheBuffer) {
    EXPECT_EQ(InstallerParameters(L"D:\\Lumo Suite\\Vantrel\\LMD"),
              L"/verysilent -progress -setuppath=\"D:\\Lumo Suite\\Vantrel\\LMD\"");
    EXPECT_EQ(InstallerParameters(L""), L"/verysilent -progress -setuppath=\"\"");
    // 35 fixed units + 224 + terminator = 260.
    const auto fullest = InstallerParameters(std::wstring(kMaxInstallFolderLength, L'y'));
    ASSERT_TRUE(fullest.has_value());
    EXPECT_EQ(fullest->size() + 1, kInstallerParametersCapacity);
    EXPECT_FALSE(InstallerParameters(std::wstring(kMaxInstallFolderLength + 1, L'y')).has_value());
    // Every accepted pick yields parameters that fit.
    EXPECT_TRUE(InstallerParameters(*InstallFolderForPick(std::wstring(212, L'x'))).has_value());
}
