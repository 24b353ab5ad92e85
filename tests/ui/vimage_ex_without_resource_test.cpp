// The animated picture in a program that lacks its resource (this test is linked
// without the resource script): the image stays inert instead of failing.
#include <gtest/gtest.h>

#include "ui/vimage_ex.h"
#include "ui_test_support.h"

TEST(VImageExWithoutResource, StaysInertAndStartsNoThread) {
    EnsureGdiplus();
    WizardStandIn window;
    const int before = ThreadCount();
    auto* image = new VImageEx();
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->loaded);
    EXPECT_LE(image->FrameCount(), 1u);
    image->targetWindow = window.hwnd();
    GetClientRect(window.hwnd(), &image->destRect);
    EXPECT_FALSE(image->StartAnimation());
    EXPECT_FALSE(image->Animating());
    EXPECT_EQ(ThreadCount(), before);
    delete image;
}
