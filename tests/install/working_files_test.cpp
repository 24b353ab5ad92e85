// The clean-up's folder deletion on a real (Wine) file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/working_paths.h"
#include "install/working_files.h"

namespace {

std::wstring Scratch(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + name;
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

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

TEST(DeleteFolderTree, RemovesFilesNestedFoldersAndTheFolder) {
    const std::wstring root = Scratch(L"tw-tree");
    CreateDirectoryW((root + L"\\empty").c_str(), nullptr);
    CreateDirectoryW((root + L"\\deep").c_str(), nullptr);
    CreateDirectoryW((root + L"\\deep\\deeper").c_str(), nullptr);
    WriteOneByte(root + L"\\0.bmp");
    WriteOneByte(root + L"\\deep\\deeper\\1.bmp");
    EXPECT_TRUE(DeleteFolderTree(root));
    EXPECT_FALSE(Exists(root));
}

TEST(DeleteFolderTree, ReadOnlyFileStaysAndSoDoesItsFolder) {
    const std::wstring root = Scratch(L"tw-locked");
    WriteOneByte(root + L"\\locked.bmp");
    WriteOneByte(root + L"\\free.bmp");
    SetFileAttributesW((root + L"\\locked.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteFolderTree(root));
    EXPECT_TRUE(Exists(root + L"\\locked.bmp"));
    EXPECT_FALSE(Exists(root + L"\\free.bmp"));
    SetFileAttributesW((root + L"\\locked.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(DeleteFolderTree(root));
}

// A path the clean-up could not obtain must never widen into a drive's root.
TEST(DeleteFolderTree, RefusesEmptyAndRootPaths) {
    const std::wstring marker = Scratch(L"tw-marker");
    EXPECT_FALSE(DeleteFolderTree(L""));
    EXPECT_FALSE(DeleteFolderTree(L"C:\\"));
    EXPECT_FALSE(DeleteFolderTree(L"C:"));
    EXPECT_TRUE(Exists(marker));
    EXPECT_TRUE(Exists(L"C:\\windows\\system32"));
    DeleteFolderTree(marker);
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
