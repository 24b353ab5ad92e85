// The support log's writer under Wine: a file another program holds is written once it
// is let go, lines that found the queue full are named as lost, and the file never
// passes its bound while it keeps the newest lines, whole and in order.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/handles.h"
#include "core/log_bound.h"
#include "core/support_log.h"

namespace {

std::string ReadLog(const std::wstring& path) {
    const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return {};
    }
    std::string text(GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    text.resize(read);
    return text;
}

// The log once it ends with `last`, or as it is after 20 s.
std::string WaitForLogEnding(const std::wstring& path, const std::string& last) {
    const DWORD start = GetTickCount();
    std::string text = ReadLog(path);
    while (!text.ends_with(last) && GetTickCount() - start < 20000) {
        Sleep(20);
        text = ReadLog(path);
    }
    return text;
}

std::string Numbered(int number) {
    return "line " + std::to_string(number) + " of the test";
}

// The log's lines are numbered lines in order, but where a note says how many were lost
// (a line may find the queue full for a moment after the writer wrote): the number after
// the last. The first line must be a whole numbered one.
int CheckNumberedLines(const std::string& log) {
    EXPECT_TRUE(log.starts_with("line ")) << log.substr(0, 100);
    int expected = std::stoi(log.substr(5));
    for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
        const std::string line = log.substr(at, log.find('\r', at) - at);
        if (IsLostLinesNote(line)) {
            expected += std::stoi(line.substr(7));
            continue;
        }
        EXPECT_EQ(line, Numbered(expected));
        if (line != Numbered(expected)) {
            break;
        }
        ++expected;
    }
    return expected;
}

TEST(SupportLogWriter, WaitsForAHeldFileNamesLostLinesAndKeepsWithinItsBound) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder =
        std::wstring(temp) + L"support-log-test-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    const std::wstring path = folder + L"\\Tidewell.log";

    // Held by another program, sharing nothing, from before the first line.
    ScopedHandle held(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    StartSupportLog("# first");
    for (int number = 0; number < 3000; ++number) {
        WriteSupportLog(Numbered(number)); // 2047 find room beside the first line
    }
    held.reset();
    std::string log = WaitForLogEnding(path, Numbered(2046) + "\r\n");
    ASSERT_TRUE(log.starts_with("# first\r\n" + Numbered(0) + "\r\n")) << log.substr(0, 100);
    ASSERT_TRUE(log.ends_with(Numbered(2046) + "\r\n")) << "never written once let go";

    // On, a queue's worth at a time, until well past the bound.
    int next = 3000;
    for (int round = 0; round < 12; ++round) {
        for (int line = 0; line < 1000; ++line) {
            WriteSupportLog(Numbered(next++));
        }
        log = WaitForLogEnding(path, Numbered(next - 1) + "\r\n");
        ASSERT_TRUE(log.ends_with(Numbered(next - 1) + "\r\n"));
        ASSERT_LE(log.size(), kSupportLogBound);
        if (round == 0) {
            const std::size_t note = log.find(Numbered(2046) + "\r\n# lost ");
            ASSERT_NE(note, std::string::npos) << "the lost lines are not named";
            EXPECT_EQ(log.substr(note + Numbered(2046).size() + 2, 16), LostLinesNote(953))
                << "lost beyond the full queue";
            EXPECT_EQ(CheckNumberedLines(log.substr(log.find("\n") + 1)), next);
        }
    }
    FinishSupportLog();
    log = ReadLog(path);
    EXPECT_EQ(log.find("# first"), std::string::npos) << "never trimmed";
    EXPECT_GT(log.size(), kSupportLogBound / 4) << "trimmed too much";
    EXPECT_EQ(CheckNumberedLines(log), next);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace
