#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "net/ansi_text.h"
#include "net/answer_text.h"
#include "net/http_client.h"
#include "service_client.h"

namespace {
std::wstring At(const wchar_t* path) {
    return std::wstring(service::kBase) + path;
}

class HttpGetTextTest : public ::testing::Test {
protected:
    void SetUp() override { service::Reset(); }
};
} // namespace

// The client reads at most 1023 bytes at a time, so a 5000-byte answer needs
// several reads that must all be appended, in order.
TEST_F(HttpGetTextTest, BodyOfSeveralReadsArrivesWhole) {
    service::Control(L"set?answer_long=5000");
    const std::string expected = service::Fetch(L"/api/v1/install_url");
    ASSERT_GT(expected.size(), 5000u);
    EXPECT_EQ(HttpGetText(At(L"/api/v1/install_url").c_str()), expected);
}

TEST_F(HttpGetTextTest, ErrorPagesAreReadLikeAnswers) {
    EXPECT_EQ(HttpGetText(At(L"/no/such/page").c_str()), "<html><body>404 Not Found</body></html>");
    service::Control(L"set?answer_status=500&error_body=down%20for%20repairs&times=1");
    EXPECT_EQ(HttpGetText(At(L"/api/v1/install_url").c_str()), "down for repairs");
}

TEST_F(HttpGetTextTest, TextEndsAtItsFirstNul) {
    service::Control(L"set?answer_raw=before%00after&times=1");
    EXPECT_EQ(HttpGetText(At(L"/api/v1/install_url").c_str()), "before");
}

TEST_F(HttpGetTextTest, NothingWhenTheServiceCannotBeReached) {
    EXPECT_EQ(HttpGetText(L"http://127.0.0.1:1/api/v1/install_url"), "");
    EXPECT_EQ(HttpGetText(nullptr), "");
}

// An address whose ANSI form does not fit 128 bytes is refused, not cut short into
// another address that the service would then be asked for.
TEST_F(HttpGetTextTest, RefusesAddressesLongerThanItsBuffer) {
    std::wstring longest = At(L"/x?");
    longest.append(127 - longest.size(), L'a');
    ASSERT_EQ(longest.size(), 127u);
    std::wstring tooLong = longest + L"b";
    EXPECT_EQ(HttpGetText(longest.c_str()), "<html><body>404 Not Found</body></html>");
    EXPECT_EQ(HttpGetText(tooLong.c_str()), "");
    const std::vector<std::string> asked = service::LoggedQueries("/x");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].size(), longest.size() - At(L"/x?").size());
}

TEST_F(HttpGetTextTest, OversizedBodyIsNoAnswer) {
    service::Control(L"set?answer_long=70000&times=1");
    EXPECT_EQ(HttpGetText(At(L"/api/v1/install_url").c_str()), "");
}

// Users run Chinese Windows (code page 936); a Western one (1252) converts too.
TEST(AnsiText, ConvertsFromTheAnsiCodePage) {
    EXPECT_EQ(AnsiToUtf8(""), "");
    EXPECT_EQ(AnsiToUtf8("http://h/a.exe"), "http://h/a.exe");
    switch (GetACP()) {
    case 936: // GBK's two-byte characters: "中文"
        EXPECT_EQ(AnsiToUtf8("http://h/\xD6\xD0\xCE\xC4.exe"),
                  "http://h/\xE4\xB8\xAD\xE6\x96\x87.exe");
        // A service answering in GBK: its limit counts characters, not bytes.
        EXPECT_EQ(AnswerTextToUtf16("\xD6\xD0\xCE\xC4", 2, AnsiToWide), L"中文");
        EXPECT_FALSE(AnswerTextToUtf16("\xD6\xD0\xCE\xC4", 1, AnsiToWide).has_value());
        break;
    case 1252:
        EXPECT_EQ(AnsiToUtf8("caf\xE9"), "caf\xC3\xA9");
        break;
    default:
        GTEST_SKIP() << "the checks of non-ASCII letters are written for code pages 936 and 1252";
    }
}
