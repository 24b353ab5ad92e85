#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/install_answer.h"
#include "positional_install_rules.h"

namespace {
constexpr const char* kDigest = "9E107D9D372BB6826BD81D3542A419D6";

void ExpectSameReading(const std::string& answer) {
    const InstallAnswer mine = ParseInstallAnswer(answer);
    const InstallAnswer positional = PositionalParse(answer);
    EXPECT_EQ(mine.address, positional.address) << answer;
    EXPECT_EQ(mine.hasChecksum, positional.hasChecksum) << answer;
    EXPECT_EQ(mine.checksum, positional.checksum) << answer;
}
} // namespace

// Answers in the service's own format (address first, "md5" last, nothing after the
// closing brace) must read exactly as they always did.
TEST(ParseInstallAnswer, ServiceFormatReadsAsByPosition) {
    const std::vector<std::string> answers = {
        std::string(R"({"url":"http://127.0.0.1:18765/files/LumoSetup.exe","size":12,"md5":")") +
            kDigest + R"("})",
        R"({"url":"http://h/LumoSetup.exe","md5":"9e107d9d372bb6826bd81d3542a419d6"})",
        R"({"url":"http://h/a.exe?v=2#top","notes":"x","size":1,"md5":"AB"})",
        R"({"url":"http://h/a.exe/b.exe","md5":"CD"})",
        R"({"url":"ftp://h/a.exe","md5":"EF"})",
        R"({"url":"http://h/a.exe","size":5})",
        R"({"url":"http://h/a.zip","md5":"AB"})",
        R"({"url":"http://h/a.exe","md5":""})",
        "",
    };
    for (const std::string& answer : answers) {
        ExpectSameReading(answer);
    }
}

TEST(ParseInstallAnswer, TakesAddressThroughFirstExeAndUpperCasesTheDigest) {
    const InstallAnswer answer = ParseInstallAnswer(
        R"(junk {"url":"http://h/Setup.exe?x=1.exe","md5":"9e107d9d372bb6826bd81d3542a419d6"})");
    EXPECT_EQ(answer.address, "http://h/Setup.exe");
    EXPECT_TRUE(answer.hasChecksum);
    EXPECT_EQ(answer.checksum, kDigest);
}

TEST(ParseInstallAnswer, WithoutExeThereIsNeitherAddressNorChecksum) {
    for (const char* answer : {R"({"url":"http://h/setup.msi","md5":"AB"})",
                               "<html><body>404 Not Found</body></html>", ""}) {
        const InstallAnswer parsed = ParseInstallAnswer(answer);
        EXPECT_TRUE(parsed.address.empty()) << answer;
        EXPECT_FALSE(parsed.hasChecksum) << answer;
    }
}

TEST(ParseInstallAnswer, WithoutHttpTheAddressStartsAtTheBeginning) {
    EXPECT_EQ(ParseInstallAnswer(R"({"url":"files/a.exe"})").address, R"({"url":"files/a.exe)");
}

TEST(ParseInstallAnswer, WithoutMd5MemberThereIsNoChecksum) {
    EXPECT_FALSE(ParseInstallAnswer(R"({"url":"http://h/a.exe","size":3})").hasChecksum);
    // "md5" only as a value or inside the address is not the member.
    EXPECT_FALSE(ParseInstallAnswer(R"({"url":"http://h/md5/a.exe","algo":"md5"})").hasChecksum);
}

// Mended: the digest is the member's value, wherever the answer's bytes end.
TEST(ParseInstallAnswer, BytesAfterTheClosingBraceDoNotShiftTheDigest) {
    const std::string body = std::string(R"({"url":"http://h/a.exe","md5":")") + kDigest + R"("})";
    for (const char* tail : {"\n", "\r\n", "  \n\n", " "}) {
        const InstallAnswer answer = ParseInstallAnswer(body + tail);
        EXPECT_EQ(answer.checksum, kDigest) << "tail of " << std::string(tail).size();
    }
}

TEST(ParseInstallAnswer, AnAddressContainingMd5KeepsItsDigest) {
    const InstallAnswer answer = ParseInstallAnswer(
        std::string(R"({"url":"http://h/md5/LumoSetup.exe","md5":")") + kDigest + R"("})");
    EXPECT_EQ(answer.address, "http://h/md5/LumoSetup.exe");
    EXPECT_EQ(answer.checksum, kDigest);
}

TEST(ParseInstallAnswer, HttpsAddressIsFoundLikeHttp) {
    const InstallAnswer answer = ParseInstallAnswer(R"({"url":"https://h/a.exe","md5":"ab"})");
    EXPECT_EQ(answer.address, "https://h/a.exe");
    EXPECT_EQ(answer.checksum, "AB");
    // Whichever scheme comes first names the address.
    EXPECT_EQ(ParseInstallAnswer(R"({"a":"https://m/b.exe","url":"http://h/a.exe"})").address,
              "https://m/b.exe");
    EXPECT_EQ(ParseInstallAnswer(R"({"url":"http://h/a.exe","b":"https://m/b.exe"})").address,
              "http://h/a.exe");
}

TEST(ParseInstallAnswer, ReadsPrettyPrintedAndReorderedMembers) {
    const InstallAnswer answer = ParseInstallAnswer(
        "{\n  \"url\" : \"http://h/a.exe\",\n  \"md5\" :\t\"abc123\",\n  \"size\": 7\n}\n");
    EXPECT_EQ(answer.address, "http://h/a.exe");
    EXPECT_EQ(answer.checksum, "ABC123");
}

TEST(ParseInstallAnswer, Md5MemberWithoutACompleteStringCountsAsNone) {
    EXPECT_FALSE(ParseInstallAnswer(R"({"url":"http://h/a.exe","md5":null})").hasChecksum);
    EXPECT_FALSE(ParseInstallAnswer(R"({"url":"http://h/a.exe","md5":"9E10)").hasChecksum);
    EXPECT_FALSE(ParseInstallAnswer(R"({"url":"http://h/a.exe","md5")").hasChecksum);
    const InstallAnswer empty = ParseInstallAnswer(R"({"url":"http://h/a.exe","md5":""})");
    EXPECT_TRUE(empty.hasChecksum);
    EXPECT_EQ(empty.checksum, "");
}
