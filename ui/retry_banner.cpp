#include "ui/retry_banner.h"

#include <iterator>
#include <new>
#include <string>

#include "core/gdi_handles.h"
#include "core/messages.h"
#include "ui/control_font.h"
#include "ui/skin_scale.h"
#include "ui/subclassing.h"
#include "ui/vimage_ex.h"

HWND pictureHost = nullptr;
VImageEx* bannerImage = nullptr;
int bannerRetryCount = 0;

namespace {
// Places and sizes at 96 DPI; drawn at the skin's.
constexpr wchar_t kBannerMessage[] = L"网络不给力,正在努力重试";
constexpr COLORREF kFrameColour = RGB(239, 239, 31);
constexpr int kFrameWidth = 3;
constexpr POINT kFrame[] = {{0, 0}, {240, 0}, {240, 235}, {0, 235}, {0, 0}};
constexpr POINT kMessageAt{25, 10};
constexpr POINT kCountAt{100, 210};
constexpr RECT kCountArea{100, 210, 230, 235};
constexpr RECT kPictureHostRect{3, 40, 3 + 240, 40 + 166};

std::wstring RetryCountText(int count) {
    return L"已重试" + std::to_wstring(count) + L"次";
}

void CreatePictureHost(HWND banner) {
    const RECT place = SkinRect(kPictureHostRect);
    pictureHost = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, banner,
                                  nullptr, InstanceOf(banner), nullptr);
}

// The banner was placed at another DPI: the picture host follows, and the animation
// starts again at the host's new size at the next paint.
void FitPictureHost() {
    if (pictureHost == nullptr) {
        return;
    }
    const RECT place = SkinRect(kPictureHostRect);
    RECT host{};
    GetClientRect(pictureHost, &host);
    if (host.right == place.right - place.left && host.bottom == place.bottom - place.top) {
        return;
    }
    ReleaseRetryBannerImage();
    SetWindowPos(pictureHost, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Made at the first paint and started whenever the banner paints: starting again
// does nothing once the thread runs.
void KeepAnimationRunning() {
    if (bannerImage == nullptr) {
        bannerImage = new (std::nothrow) VImageEx();
    }
    if (bannerImage == nullptr || pictureHost == nullptr) {
        return;
    }
    RECT host{};
    GetClientRect(pictureHost, &host);
    // The thread reads these while it runs; they only ever get the same values, so
    // they are written only while it does not run yet.
    if (!bannerImage->Animating()) {
        bannerImage->targetWindow = pictureHost;
        bannerImage->destRect = host;
    }
    if (bannerImage->loaded) {
        bannerImage->StartAnimation();
    }
}

void OnPaint(HWND hwnd) {
    const PaintDC dc(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    PaintRetryBanner(dc.get(), client, bannerRetryCount);
    KeepAnimationRunning();
}
} // namespace

void PaintRetryBanner(HDC dc, const RECT& client, int retryCount) {
    {
        const ScopedBrush white(CreateSolidBrush(RGB(255, 255, 255)));
        FillRect(dc, &client, white.get());
    }
    {
        const ScopedPen framePen(CreatePen(PS_SOLID, SkinLength(kFrameWidth), kFrameColour));
        const ScopedSelect selected(dc, framePen.get());
        POINT frame[std::size(kFrame)];
        for (std::size_t i = 0; i < std::size(kFrame); ++i) {
            frame[i] = POINT{SkinLength(kFrame[i].x), SkinLength(kFrame[i].y)};
        }
        Polyline(dc, frame, static_cast<int>(std::size(frame)));
    }
    {
        const ScopedFont titleFont(CreateControlFont(SkinLength(kBannerTitleFontHeight)));
        const ScopedSelect selected(dc, titleFont.get());
        TextOutW(dc, SkinLength(kMessageAt.x), SkinLength(kMessageAt.y), kBannerMessage,
                 static_cast<int>(std::size(kBannerMessage) - 1));
    }
    const ScopedFont countFont(CreateControlFont(SkinLength(kSmallFontHeight)));
    const ScopedSelect selected(dc, countFont.get());
    const std::wstring count = RetryCountText(retryCount); // drawn whole, any number of digits
    TextOutW(dc, SkinLength(kCountAt.x), SkinLength(kCountAt.y), count.c_str(),
             static_cast<int>(count.size()));
}

void ReleaseRetryBannerImage() {
    delete bannerImage; // stops and waits for the animation thread first
    bannerImage = nullptr;
}

LRESULT CALLBACK RetryBannerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint(hwnd);
        break;
    case WM_ERASEBKGND:
        return TRUE; // the paint step fills the background
    case WM_SHOWWINDOW:
        // Made at the first show or hide, whichever comes first.
        if (pictureHost == nullptr) {
            CreatePictureHost(hwnd);
        }
        break;
    case UM_RETRY_COUNT: {
        bannerRetryCount = static_cast<int>(wParam);
        const RECT area = SkinRect(kCountArea);
        InvalidateRect(hwnd, &area, FALSE);
        break;
    }
    case WM_SIZE:
        FitPictureHost();
        break;
    case WM_DESTROY:
        ReleaseRetryBannerImage();
        pictureHost = nullptr; // destroyed with the banner
        break;
    default:
        break;
    }
    return PassToPrevious(hwnd, message, wParam, lParam);
}
