// The clean-up of the working files on a real (Wine) file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/working_paths.h"
#include "install/working_files.h"

namespace {

void WriteOneByte(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(CleanWorkingFiles, RemovesTheImageFolderWithWhatItHoldsAndTheInstaller) {
    const std::wstring images = GetImageFolderPath();
    const std::wstring installer = GetInstallerFilePath();
    ASSERT_FALSE(images.empty());
    CreateDirectoryW(images.c_str(), nullptr);
    CreateDirectoryW((images + L"\\empty").c_str(), nullptr);
    CreateDirectoryW((images + L"\\deep").c_str(), nullptr);
    CreateDirectoryW((images + L"\\deep\\deeper").c_str(), nullptr);
    WriteOneByte(images + L"\\0.bmp");
    WriteOneByte(images + L"\\deep\\deeper\\1.bmp");
    WriteOneByte(installer);
    for (const wchar_t* suffix : {L".7.part", L".12345.part"}) {
        WriteOneByte(installer + suffix); // unfinished attempts
    }
    CleanWorkingFiles();
    EXPECT_FALSE(Exists(images));
    EXPECT_FALSE(Exists(installer));
    EXPECT_FALSE(Exists(installer + L".7.part"));
    EXPECT_FALSE(Exists(installer + L".12345.part"));
}

TEST(CleanWorkingFiles, AReadOnlyFileStaysAndSoDoesItsFolder) {
    const std::wstring images = GetImageFolderPath();
    CreateDirectoryW(images.c_str(), nullptr);
    WriteOneByte(images + L"\\locked.bmp");
    WriteOneByte(images + L"\\free.bmp");
    SetFileAttributesW((images + L"\\locked.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    CleanWorkingFiles();
    EXPECT_TRUE(Exists(images + L"\\locked.bmp"));
    EXPECT_FALSE(Exists(images + L"\\free.bmp"));
    SetFileAttributesW((images + L"\\locked.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    CleanWorkingFiles();
    EXPECT_FALSE(Exists(images));
}

TEST(WorkingFiles, PathsNameTheRoamingApplicationDataFolder) {
    const std::wstring installer = GetInstallerFilePath();
    const std::wstring images = GetImageFolderPath();
    ASSERT_FALSE(installer.empty());
    EXPECT_NE(installer.find(L"\\AppData\\Roaming\\TidewellInstall.exe"), std::wstring::npos);
    const std::wstring folder = installer.substr(0, installer.rfind(L'\\') + 1);
    EXPECT_EQ(images, folder + L"Image");
}

} // namespace
