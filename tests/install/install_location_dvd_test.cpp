// Run by with_dvd_drive.py in a prefix whose D: is a DVD drive and E: a second fixed
// drive: the default folder must skip the DVD.
#include <gtest/gtest.h>

#include "core/app_object.h"
#include "core/messages.h"
#include "install/install_location.h"
#include "tests/install/install_location_support.h"
#include "tests/install/recording_window.h"

TEST(InstallLocationWithDvdDrive, DefaultFolderSkipsTheDvdForTheNextFixedDrive) {
    ASSERT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_CDROM))
        << "the prefix was not given its DVD drive";
    ASSERT_EQ(GetDriveTypeW(L"E:\\"), static_cast<UINT>(DRIVE_FIXED));
    RemoveRegisteredFolder();

    RecordingWindow label;
    ChildControl labelRecord{nullptr, label.hwnd()};
    GetApp()->folderLabel = &labelRecord;
    InitInstallFolder();
    GetApp()->folderLabel = nullptr;

    EXPECT_STREQ(installDir, L"E:\\Program Files\\Vantrel\\LMD");
    ASSERT_EQ(label.Count(UM_SET_FOLDER_TEXT), 1u);
    EXPECT_EQ(label.Received(UM_SET_FOLDER_TEXT)[0].text, L"默认为您安装在E盘");
}
