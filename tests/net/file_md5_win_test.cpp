// Run by file_md5_against_md5sum.py, which puts files of chosen sizes on drive D:
// and lists md5sum's digest of each in D:\md5sum.txt ("<digest>  <name>" lines).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "net/file_md5.h"

namespace {
std::vector<std::pair<std::string, std::string>> Md5sumLines() {
    std::vector<std::pair<std::string, std::string>> lines;
    std::ifstream listing("D:\\md5sum.txt");
    std::string digest, name;
    while (listing >> digest >> name) {
        lines.emplace_back(name, digest);
    }
    return lines;
}

std::wstring OnDriveD(const std::string& name) {
    return L"D:\\" + std::wstring(name.begin(), name.end());
}

std::uint64_t SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
} // namespace

TEST(FileMd5Hex, MatchesMd5sumAndHasNoDigestForAnEmptyFile) {
    const auto lines = Md5sumLines();
    ASSERT_GE(lines.size(), 4u) << "the driver's listing is missing";
    for (const auto& [name, digest] : lines) {
        const std::wstring path = OnDriveD(name);
        SCOPED_TRACE(name + " of " + std::to_string(SizeOf(path)) + " bytes");
        if (SizeOf(path) == 0) {
            EXPECT_EQ(FileMd5Hex(path.c_str()), "");
        } else {
            EXPECT_EQ(FileMd5Hex(path.c_str()), digest);
        }
    }
}

TEST(FileMd5Hex, NoDigestForAMissingOrLockedFile) {
    EXPECT_EQ(FileMd5Hex(L"D:\\no-such-file.bin"), "");
    EXPECT_EQ(FileMd5Hex(L"D:\\"), "");
    EXPECT_EQ(FileMd5Hex(nullptr), "");
    const auto lines = Md5sumLines();
    ASSERT_FALSE(lines.empty());
    // A file someone holds open for writing without sharing cannot be read.
    const std::wstring path = OnDriveD(lines.back().first);
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileMd5Hex(path.c_str()), "");
    CloseHandle(writer);
    EXPECT_EQ(FileMd5Hex(path.c_str()), lines.back().second);
}
