#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <pthread.h>
#endif

#include <optional>
#include <string>
#include <vector>

#include "net/answer_text.h"
#include "net/download_rules.h"
#include "net/install_answer.h"
#include "positional_install_rules.h"

namespace {
constexpr const char* kDigest = "9E107D9D372BB6826BD81D3542A419D6";

std::string WithDigest(const std::string& before, const std::string& after = R"("})") {
    return before + kDigest + after;
}

void ExpectSameReading(const std::string& answer) {
    const InstallAnswer mine = ParseInstallAnswer(answer);
    const InstallAnswer positional = PositionalParse(answer);
    EXPECT_EQ(mine.address, positional.address) << answer;
    EXPECT_EQ(mine.hasChecksum, positional.hasChecksum) << answer;
    EXPECT_EQ(mine.checksum, positional.checksum) << answer;
}

std::optional<std::wstring> NoLegacyText(std::string_view, std::size_t) {
    ADD_FAILURE() << "valid UTF-8 taken for legacy text";
    return std::nullopt;
}

// The address as the download asks for it on an attempt that busts the cache: decoded,
// the cache-busting query added, within the length limit. Empty when there is none.
std::wstring RequestedUrl(const InstallAnswer& answer) {
    if (answer.address.empty()) {
        return {};
    }
    const std::optional<std::wstring> address =
        AnswerTextToUtf16(answer.address, kInstallerUrlMaxChars, NoLegacyText);
    if (!address) {
        return L"(not decoded)";
    }
    return InstallerUrlWithin(*address, InstallerCacheBustQuery(*address, 42))
        .value_or(L"(too long)");
}
} // namespace

// Answers in the service's own format (address first, "md5" last, nothing after the
// closing brace) must read exactly as they always did.
TEST(ParseInstallAnswer, ServiceFormatReadsAsByPosition) {
    const std::vector<std::string> answers = {
        WithDigest(R"({"url":"http://127.0.0.1:18765/files/LumoSetup.exe","size":12,"md5":")"),
        R"({"url":"http://h/LumoSetup.exe","md5":"9e107d9d372bb6826bd81d3542a419d6"})",
        R"({"url":"http://h/a.exe","size":5})",
        R"({"url":"http://h/a.zip","md5":"AB"})",
        "",
    };
    for (const std::string& answer : answers) {
        ExpectSameReading(answer);
    }
}

// Answers a real service might send, each with what it says.
TEST(ParseInstallAnswer, JsonAnswersAreReadByTheirMembers) {
    struct Case {
        std::string answer;
        std::wstring url; // as requested with the query for tick 42
        std::optional<std::string> checksum;
    };
    const std::optional<std::string> digest = kDigest;
    const Case cases[] = {
        {WithDigest(R"({"url":"http://a.exe.example/x/setup.exe","md5":")"),
         L"http://a.exe.example/x/setup.exe?skq=42", digest},
        {WithDigest(R"({"url":"http://h/v1.exe.d/setup.exe","md5":")"),
         L"http://h/v1.exe.d/setup.exe?skq=42", digest},
        {WithDigest(R"({"url":"http://h/a.executable/setup.exe","md5":")"),
         L"http://h/a.executable/setup.exe?skq=42", digest},
        {WithDigest(R"({"home":"http://example.com/","url":"http://h/a.exe","md5":")"),
         L"http://h/a.exe?skq=42", digest},
        // The first member holding an installer address names it.
        {R"({"url":"http://h/setup.zip","helper":"http://h/helper.exe"})",
         L"http://h/helper.exe?skq=42", std::nullopt},
        {WithDigest(R"({"url":"HTTP://h/a.EXE","md5":")"), L"http://h/a.EXE?skq=42", digest},
        {WithDigest(R"({"url":"http:\/\/h\/a.exe","md5":")"), L"http://h/a.exe?skq=42", digest},
        // A query of the address's own is kept; its path must still name an .exe.
        {WithDigest(R"({"url":"http://h/files/a.exe?k=1#top","md5":")"),
         L"http://h/files/a.exe?k=1&skq=42", digest},
        {WithDigest(R"({"url":"http://h/get?f=a.exe&k=1","md5":")"), L"", std::nullopt},
        {WithDigest(R"({"md5":")", R"(","url":"http://h/a.exe"})"), L"http://h/a.exe?skq=42",
         digest},
        {WithDigest(
             R"({"url":"http://h/a.exe","old":{"md5":"0123456789ABCDEF0123456789ABCDEF"},"md5":")"),
         L"http://h/a.exe?skq=42", digest},
        {R"({"url":"http://h/a.exe","md5":"9E107D9D372BB6826BD81D3542A419D"})",
         L"http://h/a.exe?skq=42", std::nullopt},
        {R"({"url":"http://h/a.exe","md5":"9E107D9D372BB6826BD81D3542A419D6A"})",
         L"http://h/a.exe?skq=42", std::nullopt},
        {R"({"url":"http://h/a.exe","md5":"9E107D9D 372BB682 6BD81D35 42A419D6"})",
         L"http://h/a.exe?skq=42", std::nullopt},
        {R"({"url":"http://h/a.exe","md5":"9E107D9D372BB6826BD81D3542A419DG"})",
         L"http://h/a.exe?skq=42", std::nullopt},
        {R"({"url":"http://h/a.exe","md5":null})", L"http://h/a.exe?skq=42", std::nullopt},
        {WithDigest("{\"url\":\"http://h/\xE4\xB8\xAD.exe\",\"md5\":\""),
         L"http://h/\x4E2D.exe?skq=42", digest},
        {WithDigest(R"({"url":"http://h/\u4e2d.exe","md5":")"), L"http://h/\x4E2D.exe?skq=42",
         digest},
        // Laid out by hand, an "md5" folder in the path, bytes after the closing brace.
        {WithDigest("{\n  \"url\" : \"https://h/md5/a.exe\",\n  \"md5\" :\t\"", "\"\n}\r\n"),
         L"https://h/md5/a.exe?skq=42", digest},
        // Not installer addresses: no host, another scheme, characters no URL holds.
        {R"({"a":"http:///a.exe","b":"ftp://h/b.exe","c":"http://h/a b.exe",)"
         R"("d":"http://h/\"a.exe","e":"http://h/a\u0000.exe","f":"files/a.exe"})",
         L"", std::nullopt},
    };
    for (const Case& c : cases) {
        const InstallAnswer answer = ParseInstallAnswer(c.answer);
        EXPECT_EQ(RequestedUrl(answer), c.url) << c.answer;
        EXPECT_EQ(answer.hasChecksum, c.checksum.has_value()) << c.answer;
        EXPECT_EQ(answer.checksum, c.checksum.value_or("")) << c.answer;
    }
}

// What is no JSON object is read by position, as such answers always were; only what
// is no installer address or no digest is refused.
TEST(ParseInstallAnswer, OtherAnswersAreReadByPosition) {
    const InstallAnswer junk = ParseInstallAnswer(
        R"(junk {"url":"http://h/Setup.exe?x=1.exe","md5":"9e107d9d372bb6826bd81d3542a419d6"})");
    EXPECT_EQ(junk.address, "http://h/Setup.exe");
    EXPECT_EQ(junk.checksum, kDigest);

    const InstallAnswer cut = ParseInstallAnswer(R"({"url":"https://h/a.exe","md5":"9E10)");
    EXPECT_EQ(cut.address, "https://h/a.exe");
    EXPECT_FALSE(cut.hasChecksum);

    for (const char* answer : {"<html><body>404 Not Found</body></html>", R"(url=files/a.exe)",
                               R"([{"url":"http://h/a" b.exe"}])", ""}) {
        const InstallAnswer parsed = ParseInstallAnswer(answer);
        EXPECT_EQ(parsed.address, "") << answer;
        EXPECT_FALSE(parsed.hasChecksum) << answer;
    }
}

#if !defined(_WIN32)
// Nesting as deep as an answer's size allows is read on a stack of 256 KB, far less
// than a worker thread has: the reader keeps its state on the heap, not in recursion.
TEST(ParseInstallAnswer, DeepNestingNeedsNoDeepStack) {
    const std::size_t depth = 32000; // 64 KB, the most an answer may hold
    struct Work {
        std::string answer;
        InstallAnswer result;
    } work{R"({"a":)" + std::string(depth, '[') + std::string(depth, ']') +
               R"(,"url":"http://h/a.exe"})",
           {}};
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* argument) -> void* {
                      auto* w = static_cast<Work*>(argument);
                      w->result = ParseInstallAnswer(w->answer);
                      return nullptr;
                  },
                  &work),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(work.result.address, "http://h/a.exe");
}
#endif
