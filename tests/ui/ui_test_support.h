#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/pixels/pixels.h"

// Helpers for the Windows tests of the skinned controls: a stand-in for the wizard
// window that creates controls the way the wizard does, pixel comparison,
// screenshots, real pointer movement, and counters for GDI objects and
// threads.

// GDI+ is the main window's to start; a test program starts it once for itself.
void EnsureGdiplus();

constexpr std::uint32_t Rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}
constexpr std::uint32_t kWhite = 0xFFFFFF;

// The pixels of a bitmap resource of this program.
Pixels ResourceBitmap(WORD id);

// Pixels whose channels differ by more than `tolerance`; a size mismatch counts all.
int CountDifferences(const Pixels& a, const Pixels& b, int tolerance = 0);
// Pixels that are not `background` within `tolerance`, inside `area`.
int CountInk(const Pixels& image, const RECT& area, std::uint32_t background = kWhite,
             int tolerance = 40);
// Pixels close to `colour` inside `area`.
int CountColour(const Pixels& image, const RECT& area, std::uint32_t colour, int tolerance = 40);

// Writes a PNG under the build folder's screenshots/ui (drive Y: under the test
// runner). True when written; false when the run has no output folder.
bool SaveScreenshot(const Pixels& image, const std::wstring& name);

// Dispatches messages for `ms` milliseconds, or until `done` says yes.
void PumpFor(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Moves the real pointer (through the input queue) to a screen point.
void MovePointerTo(POINT screen);
// A left click (press and release) through the input queue at a screen point.
void ClickAt(POINT screen);
// Parks the pointer in the screen's corner, away from every test window.
void ParkPointer();
POINT CentreOf(HWND hwnd); // screen coordinates

// A 570 x 370 popup standing in for the wizard window: it answers
// WM_CTLCOLORSTATIC as the wizard does, paints a page picture if asked, and records
// the WM_COMMAND messages its controls send.
class WizardStandIn {
public:
    explicit WizardStandIn(WORD picture = 0);
    ~WizardStandIn();
    WizardStandIn(const WizardStandIn&) = delete;
    WizardStandIn& operator=(const WizardStandIn&) = delete;

    HWND hwnd() const { return hwnd_; }
    // A STATIC with the wizard's style and rectangle, subclassed as the wizard does:
    // procedure replaced, the previous one also kept in GWLP_USERDATA. Painted at
    // once unless `paintNow` is false (the wizard creates all before any paint).
    HWND AddControl(int id, const wchar_t* text, DWORD style, int x, int y, int width, int height,
                    WNDPROC proc, bool paintNow = true);
    // A balloon tooltip window owned by this window, as the wizard makes them.
    HWND AddTooltip();

    struct Command {
        WORD id;
        WORD code;
    };
    std::vector<Command> commands;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    WORD picture_ = 0;
    HFONT font_ = nullptr;
    HBRUSH white_ = nullptr;
};

// The wizard's control styles.
constexpr DWORD kNotifyStatic = WS_CHILD | WS_VISIBLE | SS_NOTIFY;     // 0x50000100
constexpr DWORD kBannerStyle = WS_CHILD | WS_VISIBLE | SS_ENDELLIPSIS; // 0x50004000

// How many more GDI objects this process can create before creation fails: the
// system's per-process limit minus what the process holds. Two readings taken around
// some work differ by exactly the objects that work left behind.
long GdiHeadroom();
// Threads of this process now.
int ThreadCount();
