#include "ui_test_support.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "core/gdi_handles.h"
#include "ui/bitmap_draw.h"
#include "ui/control_font.h"

void EnsureGdiplus() {
    static ULONG_PTR token = 0;
    if (token == 0) {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }
}

// ---- pixels -------------------------------------------------------------------

Pixels ResourceBitmap(WORD id) {
    const ScopedBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap.get(), sizeof info, &info) == 0) {
        return {};
    }
    return RenderInto(info.bmWidth, info.bmHeight, [&](HDC dc) {
        const MemoryDC source(dc);
        const ScopedSelect selected(source.get(), bitmap.get());
        BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
    });
}

namespace {
int ChannelDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                         static_cast<int>((b >> shift) & 0xFF)));
    }
    return worst;
}
} // namespace

int CountDifferences(const Pixels& a, const Pixels& b, int tolerance) {
    if (a.width != b.width || a.height != b.height) {
        return std::max(a.width * a.height, b.width * b.height);
    }
    int count = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        if (ChannelDistance(a.rgb[i], b.rgb[i]) > tolerance) {
            ++count;
        }
    }
    return count;
}

int CountColour(const Pixels& image, const RECT& area, std::uint32_t colour, int tolerance) {
    int count = 0;
    for (int y = std::max(0, static_cast<int>(area.top));
         y < std::min(image.height, static_cast<int>(area.bottom)); ++y) {
        for (int x = std::max(0, static_cast<int>(area.left));
             x < std::min(image.width, static_cast<int>(area.right)); ++x) {
            if (ChannelDistance(image.At(x, y), colour) <= tolerance) {
                ++count;
            }
        }
    }
    return count;
}

int CountInk(const Pixels& image, const RECT& area, std::uint32_t background, int tolerance) {
    const int all = std::max(0, static_cast<int>(std::min<LONG>(area.right, image.width) -
                                                 std::max<LONG>(area.left, 0))) *
                    std::max(0, static_cast<int>(std::min<LONG>(area.bottom, image.height) -
                                                 std::max<LONG>(area.top, 0)));
    return all - CountColour(image, area, background, tolerance);
}

// ---- screenshots --------------------------------------------------------------

namespace {
std::wstring ScreenshotFolder() {
    wchar_t out[8] = {};
    if (GetEnvironmentVariableW(L"TW_OUT", out, 8) == 0) {
        return {};
    }
    CreateDirectoryW(L"Y:\\screenshots", nullptr);
    CreateDirectoryW(L"Y:\\screenshots\\ui", nullptr);
    return L"Y:\\screenshots\\ui\\";
}
} // namespace

bool SaveScreenshot(const Pixels& image, const std::wstring& name) {
    const std::wstring folder = ScreenshotFolder();
    return !folder.empty() && SavePng(image, folder + name + L".png");
}

// ---- messages and the pointer -------------------------------------------------

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 5)),
                                  QS_ALLINPUT);
    }
}

void MovePointerTo(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65536, width) + 1;
    input.mi.dy = MulDiv(screen.y, 65536, height) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void ClickAt(POINT screen) {
    MovePointerTo(screen);
    PumpFor(30);
    INPUT press[2]{};
    press[0].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].type = INPUT_MOUSE;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof press[0]);
    PumpFor(50);
}

void ParkPointer() {
    MovePointerTo({5, 5});
    PumpFor(30);
}

POINT CentreOf(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// ---- the wizard stand-in --------------------------------------------------------

namespace {
constexpr wchar_t kStandInClass[] = L"TidewellUiTestWindow";
}

WizardStandIn::WizardStandIn(WORD picture) : picture_(picture) {
    EnsureGdiplus();
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = Proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = kStandInClass;
    RegisterClassExW(&cls); // fails harmlessly when registered before
    font_ = CreateControlFont(kSmallFontHeight);
    white_ = CreateSolidBrush(RGB(255, 255, 255));
    hwnd_ = CreateWindowExW(0, kStandInClass, L"Tidewell UI test", WS_POPUP | WS_VISIBLE, 100, 100,
                            570, 370, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
    PumpFor(50);
}

WizardStandIn::~WizardStandIn() {
    DestroyWindow(hwnd_);
    PumpFor(20);
    DeleteObject(font_);
    DeleteObject(white_);
}

HWND WizardStandIn::AddControl(int id, const wchar_t* text, DWORD style, int x, int y, int width,
                               int height, WNDPROC proc, bool paintNow) {
    const HWND control = CreateWindowExW(0, L"STATIC", text, style, x, y, width, height, hwnd_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         GetModuleHandleW(nullptr), nullptr);
    const LONG_PTR previous =
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    SetWindowLongPtrW(control, GWLP_USERDATA, previous);
    if (paintNow) {
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
    }
    return control;
}

HWND WizardStandIn::AddTooltip() {
    return CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr,
                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

LRESULT CALLBACK WizardStandIn::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WizardStandIn*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_PAINT: {
        const PaintDC dc(hwnd);
        if (self->picture_ != 0) {
            DrawBitmapResource(GetModuleHandleW(nullptr), dc.get(), self->picture_, 570, 240);
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        // As the wizard: the small font, blue text on white.
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SelectObject(dc, self->font_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(self->white_);
    }
    case WM_COMMAND:
        self->commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// ---- counters -------------------------------------------------------------------

long GdiHeadroom() {
    // Regions are the cheapest GDI object; the table is full when creation fails.
    static std::vector<HRGN> made;
    made.clear();
    made.reserve(70000);
    for (;;) {
        const HRGN region = CreateRectRgn(0, 0, 1, 1);
        if (region == nullptr) {
            break;
        }
        made.push_back(region);
        if (made.size() >= 1000000) {
            break; // no limit at all: stop rather than run forever
        }
    }
    for (const HRGN region : made) {
        DeleteObject(region);
    }
    return static_cast<long>(made.size());
}

int ThreadCount() {
    const DWORD self = GetCurrentProcessId();
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == self) {
            ++count;
        }
    }
    CloseHandle(snapshot);
    return count;
}
