// The pure rules of the skinned controls: animation frame delays and the folder
// label's text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ui/folder_text.h"
#include "ui/frame_delay.h"

TEST(FrameDelay, KeepsTenToFiveThousandMillisecondsAndFallsBackOutside) {
    EXPECT_EQ(FrameDelayMilliseconds(0), 80u);
    EXPECT_EQ(FrameDelayMilliseconds(1), 10u);
    EXPECT_EQ(FrameDelayMilliseconds(10), 100u);
    EXPECT_EQ(FrameDelayMilliseconds(500), 5000u);
    EXPECT_EQ(FrameDelayMilliseconds(501), 80u);
    // Large enough to wrap around 32 bits when multiplied by ten, into 704 ms.
    EXPECT_EQ(FrameDelayMilliseconds(429496800u), 80u);
    EXPECT_EQ(FrameDelayMilliseconds(UINT32_MAX), 80u);
}

TEST(FrameDelay, ReadsEachFramesEntryAndNothingBeyondTheProperty) {
    const std::uint32_t delays[] = {10, 0, 500, 1000};
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 0), 100u);
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 1), 80u);
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 2), 5000u);
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 3), 80u);
    // Frames the property has no entry for (a damaged picture) get the fallback.
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, 4), 80u);
    EXPECT_EQ(FrameDelayFromProperty(delays, 6, 1), 80u); // half an entry
    EXPECT_EQ(FrameDelayFromProperty(delays, sizeof delays, UINT32_MAX), 80u);
    EXPECT_EQ(FrameDelayFromProperty(nullptr, 16, 0), 80u);
}

TEST(FolderText, KeepsAtMost259UnitsAlwaysTerminated) {
    wchar_t buffer[kFolderTextCapacity];
    const std::wstring longText(300, L'x');
    CopyFolderText(buffer, longText.c_str());
    EXPECT_EQ(std::wstring(buffer), std::wstring(259, L'x'));
    EXPECT_EQ(buffer[259], L'\0');

    CopyFolderText(buffer, L"C:\\Lumo");
    EXPECT_EQ(std::wstring(buffer), L"C:\\Lumo");
    for (size_t i = 7; i < kFolderTextCapacity; ++i) {
        ASSERT_EQ(buffer[i], L'\0') << "left over from the longer text at " << i;
    }

    CopyFolderText(buffer, nullptr);
    EXPECT_EQ(buffer[0], L'\0');
}

TEST(FolderText, CutsAfterTwentyUnits) {
    EXPECT_EQ(LayOutFolderLabel(20).shownUnits, 20u);
    EXPECT_FALSE(LayOutFolderLabel(20).cut);
    EXPECT_EQ(LayOutFolderLabel(21).shownUnits, 20u);
    EXPECT_TRUE(LayOutFolderLabel(21).cut);
    EXPECT_FALSE(LayOutFolderLabel(0).cut);
}
