#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/image_list.h"

// The list field holds 512 units and a slide file name 130, terminators included.
static_assert(kImageListMaxChars == 511);
static_assert(kSlideFileNameMaxChars == 129);

namespace {
// Numbered queries show that every address gets a query of its own, in order.
struct CountingQuery {
    int made = 0;
    std::wstring operator()() { return L"?q" + std::to_wstring(++made); }
};

std::vector<std::wstring> Split(std::wstring_view list) {
    CountingQuery query;
    return SplitImageList(list, std::ref(query));
}
} // namespace

TEST(SplitImageList, EachAddressGetsItsOwnQueryInOrder) {
    EXPECT_EQ(Split(L"http://h/0.bmp;http://h/1.bmp;http://h/2.bmp"),
              (std::vector<std::wstring>{L"http://h/0.bmp?q1", L"http://h/1.bmp?q2",
                                         L"http://h/2.bmp?q3"}));
}

TEST(SplitImageList, SeparatorsAtTheEdgesGiveEmptyAddresses) {
    EXPECT_EQ(Split(L"a;b;"), (std::vector<std::wstring>{L"a?q1", L"b?q2", L"?q3"}));
    EXPECT_EQ(Split(L""), (std::vector<std::wstring>{L"?q1"}));
    EXPECT_EQ(Split(L";;"), (std::vector<std::wstring>{L"?q1", L"?q2", L"?q3"}));
}

TEST(SplitImageList, KeepsBlanksAndLineEnds) {
    EXPECT_EQ(Split(L" a ;b\r\n"), (std::vector<std::wstring>{L" a ?q1", L"b\r\n?q2"}));
}

TEST(SplitImageList, ListLongerThanItsBufferIsNotUsed) {
    const std::wstring fits = std::wstring(kImageListMaxChars - 2, L'x') + L";y";
    ASSERT_EQ(fits.size(), kImageListMaxChars);
    EXPECT_EQ(Split(fits).size(), 2u);
    EXPECT_TRUE(Split(fits + L"z").empty());
}

TEST(SlideFileName, NumbersThePictureInsideTheFolder) {
    EXPECT_EQ(SlideFileName(L"C:\\Users\\a\\AppData\\Roaming\\Image", 0),
              L"C:\\Users\\a\\AppData\\Roaming\\Image\\0.bmp");
    EXPECT_EQ(SlideFileName(L"C:\\I", 12), L"C:\\I\\12.bmp");
}

TEST(SlideFileName, NameLongerThanItsBufferIsNotUsed) {
    // "\0.bmp" adds 6 characters.
    const std::wstring folder(kSlideFileNameMaxChars - 6, L'f');
    EXPECT_EQ(SlideFileName(folder, 0)->size(), kSlideFileNameMaxChars);
    EXPECT_FALSE(SlideFileName(folder, 10).has_value());
    EXPECT_FALSE(SlideFileName(folder + L"g", 0).has_value());
}
