#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/app_object.h"
#include "core/working_paths.h"
#include "install/working_files.h"
#include "net/slides.h"
#include "service_client.h"

namespace {
// File names in the image folder, sorted.
std::vector<std::wstring> ImageFolderFiles() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((GetImageFolderPath() + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The colour in the middle of the bright part of a slide picture, as 0xRRGGBB.
COLORREF MiddleColour(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const COLORREF pixel = GetPixel(memory, info.bmWidth / 2, info.bmHeight / 2);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return (GetRValue(pixel) << 16) | (GetGValue(pixel) << 8) | GetBValue(pixel);
}

class FetchSlidesTest : public ::testing::Test {
protected:
    void SetUp() override {
        service::Reset();
        GetApp()->slides.Clear();
        GetApp()->quitRequested.store(0);
        CleanWorkingFiles();
    }
    void TearDown() override { CleanWorkingFiles(); }
};
} // namespace

// Slide 1 fails: the others keep their positions in the file names and their order.
TEST_F(FetchSlidesTest, FailedSlideIsSkippedAndTheOthersKeepTheirPlaces) {
    service::Control(L"set?slide_fail=1");
    EXPECT_EQ(FetchSlidesThread(nullptr), 0u);
    EXPECT_EQ(ImageFolderFiles(), (std::vector<std::wstring>{L"0.bmp", L"2.bmp"}));
    const SlideList& slides = GetApp()->slides;
    ASSERT_EQ(slides.Count(), 2u);
    BITMAP info{};
    ASSERT_NE(GetObjectW(slides.At(0), sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 570);
    EXPECT_EQ(info.bmHeight, 240);
    // The service paints slide 0 blue, slide 1 orange and slide 2 green.
    EXPECT_EQ(MiddleColour(slides.At(0)), 0x2E86C1u);
    EXPECT_EQ(MiddleColour(slides.At(1)), 0x27AE60u);

    const std::vector<std::string> slideOne = service::LoggedQueries("/slides/1.bmp");
    ASSERT_EQ(slideOne.size(), 1u);
    EXPECT_EQ(slideOne[0].rfind("skq=", 0), 0u);
}

// "a;b;" names three pictures, the third with an empty address that cannot be fetched.
TEST_F(FetchSlidesTest, TrailingSeparatorAddsAnEmptyThirdAddress) {
    service::Control(L"set?slide_count=2&list_trailing_semicolon=1");
    FetchSlidesThread(nullptr);
    EXPECT_EQ(ImageFolderFiles(), (std::vector<std::wstring>{L"0.bmp", L"1.bmp"}));
    EXPECT_EQ(GetApp()->slides.Count(), 2u);
    for (const char* path : {"/slides/0.bmp", "/slides/1.bmp"}) {
        const std::vector<std::string> queries = service::LoggedQueries(path);
        ASSERT_EQ(queries.size(), 1u) << path;
        EXPECT_EQ(queries[0].rfind("skq=", 0), 0u) << path;
    }
}

TEST_F(FetchSlidesTest, ListLongerThanItsBufferFetchesNothing) {
    std::wstring list;
    while (list.size() <= 520) {
        list += L"{base}/slides/0.bmp;";
    }
    service::Control(L"set?list_raw=" + list);
    FetchSlidesThread(nullptr);
    EXPECT_EQ(GetApp()->slides.Count(), 0u);
    EXPECT_TRUE(service::LoggedQueries("/slides/0.bmp").empty());
    EXPECT_TRUE(ImageFolderFiles().empty());
}

TEST_F(FetchSlidesTest, UnreachableListGivesNoSlides) {
    service::Control(L"set?list_status=404");
    FetchSlidesThread(nullptr);
    EXPECT_EQ(GetApp()->slides.Count(), 0u);
    EXPECT_TRUE(ImageFolderFiles().empty());
}

TEST_F(FetchSlidesTest, StopsFetchingOnceTheProgramQuits) {
    GetApp()->quitRequested.store(1);
    FetchSlidesThread(nullptr);
    EXPECT_EQ(GetApp()->slides.Count(), 0u);
    EXPECT_TRUE(service::LoggedQueries("/slides/0.bmp").empty());
}
