#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "net/answer_text.h"

namespace {
std::wstring Units(std::initializer_list<unsigned> units) {
    std::wstring text;
    for (unsigned unit : units) {
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

// Stands for the ANSI code page: marks what it decoded, and how long it may be.
std::optional<std::wstring> MarkedLegacy(std::string_view text, std::size_t maxUnits) {
    return L"legacy " + std::to_wstring(text.size()) + L" " + std::to_wstring(maxUnits);
}
} // namespace

TEST(Utf8ToUtf16, DecodesEverySequenceLength) {
    EXPECT_EQ(Utf8ToUtf16(""), L"");
    EXPECT_EQ(Utf8ToUtf16("a\x7F"), Units({'a', 0x7F}));
    EXPECT_EQ(Utf8ToUtf16("\xC3\xA9"), Units({0xE9}));
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8\xAD.exe"), Units({0x4E2D, '.', 'e', 'x', 'e'}));
    EXPECT_EQ(Utf8ToUtf16("\xEF\xBF\xBF"), Units({0xFFFF}));
    // Beyond U+FFFF as a surrogate pair, up to U+10FFFF.
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), Units({0xD83D, 0xDE00}));
    EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF"), Units({0xDBFF, 0xDFFF}));
}

// Text in a legacy code page must not pass for UTF-8.
TEST(Utf8ToUtf16, RefusesWhatIsNotUtf8) {
    const char* const notUtf8[] = {
        // GBK; continuations without a lead, a lead without them, cut off
        "\xD6\xD0.exe", "\x80", "a\xBF", "\xE4\x41\xAD", "\xE4\xB8", "\xF0\x9F",
        // overlong forms, surrogates, past U+10FFFF
        "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xED\xBF\xBF",
        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF"};
    for (const char* text : notUtf8) {
        EXPECT_FALSE(Utf8ToUtf16(text).has_value()) << testing::PrintToString(text);
    }
}

TEST(AnswerTextToUtf16, LegacyCodePageOnlyForWhatIsNotUtf8) {
    EXPECT_EQ(AnswerTextToUtf16("a\xE4\xB8\xAD", 2, MarkedLegacy), Units({'a', 0x4E2D}));
    EXPECT_EQ(AnswerTextToUtf16("a\xD6\xD0", 2, MarkedLegacy), L"legacy 3 2");
    // Too long as UTF-8 is too long: never cut, and never read another way instead.
    EXPECT_FALSE(AnswerTextToUtf16("a\xE4\xB8\xAD", 1, MarkedLegacy).has_value());
    EXPECT_FALSE(AnswerTextToUtf16("\xF0\x9F\x98\x80", 1, MarkedLegacy).has_value());
}
