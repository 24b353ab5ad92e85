// The test driver: sees and operates Tidewell's window the way a user would.
//
// It runs inside the test's Wine environment and answers one command per line on
// stdin with one JSON object per line on stdout. Arguments are separated by tabs.
// Every command that could open a modal box in the program (clicks, button presses)
// posts its messages, so the driver itself never blocks.
//
// Points and areas of the main window are given as the skin lays them out at 96 DPI;
// the driver scales them by the DPI the window is drawn at, which it reads from the
// window's width, and answers in the screen's pixels.
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <oleacc.h>
#include <tlhelp32.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "core/gdi_handles.h"
#include "tools/driver/json_writer.h"
#include "tools/pixels/pixels.h"
#include "ui/control_font.h"
#include "ui/dpi_scale.h"

namespace {

using Args = std::vector<std::wstring>;

struct Reply {
    JsonWriter json;
    Reply() { json.BeginObject(); }
    std::string Finish() {
        json.EndObject();
        return json.Text();
    }
};

std::map<DWORD, HANDLE> launched; // processes started by `launch`, kept for their exit codes

HWND MainWindow() {
    return FindWindowW(L"TIDEWELL", nullptr);
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[512] = {};
    // WM_GETTEXT by message works across processes for any window class.
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    text[511] = L'\0';
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    return name;
}

void PutRect(JsonWriter& json, std::string_view key, const RECT& r) {
    json.Key(key).BeginObject();
    json.Number("left", r.left).Number("top", r.top).Number("right", r.right);
    json.Number("bottom", r.bottom).EndObject();
}

RECT RectInParent(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

constexpr int kSkinWidth = 570; // the main window's width at 96 DPI

int DpiOf(HWND main) {
    RECT window{};
    GetWindowRect(main, &window);
    return DpiOfWidth(window.right - window.left, kSkinWidth);
}

RECT ScaledArea(HWND main, int x, int y, int width, int height) {
    const SkinBox box = ScaleBox(SkinBox{x, y, x + width, y + height}, DpiOf(main));
    return RECT{box.left, box.top, box.right, box.bottom};
}

HWND Control(int id) {
    HWND main = MainWindow();
    return main ? GetDlgItem(main, id) : nullptr;
}

int ToInt(const std::wstring& text) {
    return static_cast<int>(wcstol(text.c_str(), nullptr, 0));
}

void Fail(Reply& reply, std::string_view why) {
    reply.json.Bool("ok", false).String("error", why);
}

// --- commands -----------------------------------------------------------------------

void CmdMain(const Args&, Reply& reply) {
    HWND hwnd = MainWindow();
    reply.json.Bool("ok", true).Number("hwnd", reinterpret_cast<long long>(hwnd));
    if (!hwnd) {
        return;
    }
    RECT window{};
    GetWindowRect(hwnd, &window);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    reply.json.String("title", WindowText(hwnd)).String("class", ClassOf(hwnd));
    reply.json.Bool("visible", IsWindowVisible(hwnd) != FALSE);
    reply.json.Bool("iconic", IsIconic(hwnd) != FALSE);
    reply.json.Number("style",
                      static_cast<long long>(GetWindowLongW(hwnd, GWL_STYLE)) & 0xFFFFFFFF);
    reply.json.Number("exstyle", GetWindowLongW(hwnd, GWL_EXSTYLE));
    reply.json.Number("pid", pid);
    PutRect(reply.json, "rect", window);
    reply.json.Number("dpi", DpiOf(hwnd));
    reply.json.Number("screen_width", GetSystemMetrics(SM_CXSCREEN));
    reply.json.Number("screen_height", GetSystemMetrics(SM_CYSCREEN));
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    auto* json = reinterpret_cast<JsonWriter*>(param);
    json->BeginObject();
    json->Number("id", GetDlgCtrlID(hwnd));
    json->String("class", ClassOf(hwnd));
    json->Bool("visible", IsWindowVisible(hwnd) != FALSE);
    json->Bool("direct", GetParent(hwnd) == MainWindow());
    json->String("text", WindowText(hwnd));
    json->Number("style", static_cast<long long>(GetWindowLongW(hwnd, GWL_STYLE)) & 0xFFFFFFFF);
    PutRect(*json, "rect", RectInParent(hwnd));
    json->EndObject();
    return TRUE;
}

void CmdChildren(const Args&, Reply& reply) {
    HWND main = MainWindow();
    reply.json.Bool("ok", main != nullptr).BeginArray("children");
    if (main) {
        EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&reply.json));
    }
    reply.json.EndArray();
}

void CmdProgress(const Args&, Reply& reply) {
    HWND bar = Control(10000);
    if (!bar) {
        return Fail(reply, "no progress bar");
    }
    reply.json.Bool("ok", true).Number("pos", SendMessageW(bar, PBM_GETPOS, 0, 0));
    reply.json.Number("low", SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
    reply.json.Number("high", SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
}

// A user's click as the control itself receives it: press and release at its centre.
void CmdClick(const Args& args, Reply& reply) {
    HWND control = args.size() > 1 ? Control(ToInt(args[1])) : nullptr;
    if (!control) {
        return Fail(reply, "no such control");
    }
    RECT r{};
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageW(control, WM_MOUSEMOVE, 0, at);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
    reply.json.Bool("ok", true);
}

void CmdChecked(const Args& args, Reply& reply) {
    HWND control = args.size() > 1 ? Control(ToInt(args[1])) : nullptr;
    if (!control) {
        return Fail(reply, "no such control");
    }
    reply.json.Bool("ok", true);
    reply.json.Bool("checked", SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

struct BoxSearch {
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM param) {
    if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770") {
        reinterpret_cast<BoxSearch*>(param)->boxes.push_back(hwnd);
    }
    return TRUE;
}

std::vector<HWND> OpenBoxes() {
    BoxSearch search;
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

void CmdMessageBoxes(const Args&, Reply& reply) {
    reply.json.Bool("ok", true).BeginArray("boxes");
    for (HWND box : OpenBoxes()) {
        reply.json.BeginObject();
        reply.json.Number("hwnd", reinterpret_cast<long long>(box));
        reply.json.String("caption", WindowText(box));
        HWND text = GetDlgItem(box, 0xFFFF); // a message box keeps its text in a static of this id
        reply.json.String("text", text ? WindowText(text) : std::wstring());
        reply.json.Number("owner", reinterpret_cast<long long>(GetWindow(box, GW_OWNER)));
        reply.json.Bool("has_ok", GetDlgItem(box, IDOK) != nullptr);
        reply.json.Bool("has_cancel", GetDlgItem(box, IDCANCEL) != nullptr);
        reply.json.EndObject();
    }
    reply.json.EndArray();
}

void CmdPress(const Args& args, Reply& reply) {
    std::vector<HWND> boxes = OpenBoxes();
    if (boxes.empty() || args.size() < 2) {
        return Fail(reply, "no message box");
    }
    const int button = args[1] == L"OK" ? IDOK : IDCANCEL;
    HWND control = GetDlgItem(boxes.front(), button);
    if (!control) {
        return Fail(reply, "no such button");
    }
    PostMessageW(boxes.front(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
    reply.json.Bool("ok", true);
}

void CmdCapture(const Args& args, Reply& reply) {
    HWND hwnd = args.size() > 2 ? reinterpret_cast<HWND>(_wcstoui64(args[2].c_str(), nullptr, 0))
                                : MainWindow();
    if (!hwnd || args.size() < 2) {
        return Fail(reply, "nothing to capture");
    }
    RECT r{};
    GetWindowRect(hwnd, &r);
    const bool saved = SavePng(CaptureScreen(r), args[1]);
    reply.json.Bool("ok", saved);
}

// Which of the candidate texts the window shows in an area (96-DPI place and font
// height): each candidate is drawn the way the program draws its own lines (default
// face, GB2312, the height at the window's DPI) at the area's top-left corner and
// compared, ink against ink, with the screen. The reply also gives the rows the ink
// spans: the height of the text as the screen shows it.
void MatchText(HWND main, const RECT& skinArea, int skinFontHeight, const Args& candidates,
               size_t first, Reply& reply) {
    const int dpi = DpiOf(main);
    RECT area = ScaledArea(main, skinArea.left, skinArea.top, skinArea.right - skinArea.left,
                           skinArea.bottom - skinArea.top);
    const int fontHeight = ScaleLength(skinFontHeight, dpi);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const Pixels shown = CaptureScreen(area);
    auto isInk = [](std::uint32_t pixel) { return pixel != 0xFFFFFF; };
    std::uint32_t inkColour = 0;
    int inkCount = 0;
    int inkTop = -1;
    int inkBottom = -1;
    for (size_t p = 0; p < shown.rgb.size(); ++p) {
        if (isInk(shown.rgb[p])) {
            ++inkCount;
            inkColour = shown.rgb[p];
            const int row = static_cast<int>(p / static_cast<size_t>(shown.width));
            inkTop = inkTop < 0 ? row : inkTop;
            inkBottom = row;
        }
    }
    reply.json.Bool("ok", true).Number("ink", inkCount).Number("colour", inkColour);
    reply.json.Number("ink_rows", inkTop < 0 ? 0 : inkBottom - inkTop + 1);
    reply.json.Number("dpi", dpi);
    for (size_t i = first; i < candidates.size(); ++i) {
        const std::wstring& text = candidates[i];
        const Pixels drawn = RenderInto(shown.width, shown.height, [&](HDC dc) {
            const ScopedFont handle(CreateControlFont(fontHeight));
            const ScopedSelect selected(dc, handle.get());
            SetTextColor(dc, RGB(0, 0, 0));
            TextOutW(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
        });
        bool same = drawn.rgb.size() == shown.rgb.size();
        for (size_t p = 0; p < drawn.rgb.size() && same; ++p) {
            same = isInk(drawn.rgb[p]) == isInk(shown.rgb[p]);
        }
        if (same) {
            reply.json.String("match", text);
            return;
        }
    }
}

// The status line: (34, 331)-(250, 360), 12-pixel text, at 96 DPI.
void CmdStatus(const Args& args, Reply& reply) {
    HWND main = MainWindow();
    if (!main) {
        return Fail(reply, "no main window");
    }
    MatchText(main, RECT{34, 331, 250, 360}, 12, args, 1, reply);
}

// text X Y WIDTH HEIGHT FONT-HEIGHT CANDIDATE...: any area of the main window.
void CmdText(const Args& args, Reply& reply) {
    HWND main = MainWindow();
    if (!main || args.size() < 6) {
        return Fail(reply, "text X Y WIDTH HEIGHT FONT-HEIGHT CANDIDATE...");
    }
    const int x = ToInt(args[1]);
    const int y = ToInt(args[2]);
    MatchText(main, RECT{x, y, x + ToInt(args[3]), y + ToInt(args[4])}, ToInt(args[5]), args, 6,
              reply);
}

void CmdLaunch(const Args& args, Reply& reply) {
    if (args.size() < 2) {
        return Fail(reply, "no command line");
    }
    std::wstring commandLine = args[1];
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Wine answers ERROR_INTERNAL_ERROR when the new process died inside Wine's own
    // start-up, before any of its code ran; seen rarely on a loaded machine. That says
    // nothing about the program started, so the driver tries again, a bounded number of
    // times.
    constexpr int kAttempts = 3;
    int attempt = 1;
    while (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           args.size() > 2 ? args[2].c_str() : nullptr, &startup, &info)) {
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kAttempts) {
            reply.json.Bool("ok", false).Number("error", error).Number("attempts", attempt);
            return;
        }
        ++attempt;
        Sleep(200);
    }
    CloseHandle(info.hThread);
    launched[info.dwProcessId] = info.hProcess;
    reply.json.Bool("ok", true).Number("pid", info.dwProcessId).Number("attempts", attempt);
}

void CmdExitCode(const Args& args, Reply& reply) {
    auto found =
        args.size() > 1 ? launched.find(static_cast<DWORD>(ToInt(args[1]))) : launched.end();
    if (found == launched.end()) {
        return Fail(reply, "not launched here");
    }
    const DWORD wait = args.size() > 2 ? static_cast<DWORD>(ToInt(args[2])) : 0;
    const bool ended = WaitForSingleObject(found->second, wait) == WAIT_OBJECT_0;
    DWORD code = 0;
    GetExitCodeProcess(found->second, &code);
    reply.json.Bool("ok", true).Bool("running", !ended).Number("code", code);
}

void CmdProcesses(const Args&, Reply& reply) {
    reply.json.Bool("ok", true).BeginArray("processes");
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        reply.json.BeginObject().String("name", entry.szExeFile);
        reply.json.Number("pid", entry.th32ProcessID).EndObject();
    }
    CloseHandle(snapshot);
    reply.json.EndArray();
}

// Registry: regset ROOT PATH NAME sz|dword DATA [32]; regget ROOT PATH NAME [32].
// ROOT is HKCU or HKLM; "32" selects the 32-bit view.
HKEY Root(const std::wstring& name) {
    return name == L"HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM View(const Args& args) {
    return args.back() == L"32" ? KEY_WOW64_32KEY : 0;
}

void CmdRegSet(const Args& args, Reply& reply) {
    if (args.size() < 6) {
        return Fail(reply, "regset ROOT PATH NAME TYPE DATA [32]");
    }
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(Root(args[1]), args[2].c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | View(args), nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        if (args[4] == L"dword") {
            DWORD value = static_cast<DWORD>(wcstoul(args[5].c_str(), nullptr, 0));
            status = RegSetValueExW(key, args[3].c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&value), sizeof(value));
        } else {
            status = RegSetValueExW(key, args[3].c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(args[5].c_str()),
                                    static_cast<DWORD>((args[5].size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
    reply.json.Bool("ok", status == ERROR_SUCCESS).Number("status", status);
}

void CmdRegGet(const Args& args, Reply& reply) {
    if (args.size() < 4) {
        return Fail(reply, "regget ROOT PATH NAME [32]");
    }
    HKEY key = nullptr;
    LONG status =
        RegOpenKeyExW(Root(args[1]), args[2].c_str(), 0, KEY_QUERY_VALUE | View(args), &key);
    reply.json.Bool("ok", status == ERROR_SUCCESS);
    if (status != ERROR_SUCCESS) {
        return;
    }
    BYTE data[2048] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    status = RegQueryValueExW(key, args[3].c_str(), nullptr, &type, data, &size);
    RegCloseKey(key);
    reply.json.Bool("exists", status == ERROR_SUCCESS).Number("type", type);
    if (status == ERROR_SUCCESS && type == REG_DWORD) {
        reply.json.Number("value", *reinterpret_cast<DWORD*>(data));
    } else if (status == ERROR_SUCCESS) {
        reply.json.String("value", std::wstring(reinterpret_cast<wchar_t*>(data)));
    }
}

// WM_CLOSE from outside, as the taskbar's "Close window" sends it.
void CmdClose(const Args&, Reply& reply) {
    HWND main = MainWindow();
    reply.json.Bool("ok", main != nullptr && PostMessageW(main, WM_CLOSE, 0, 0));
}

struct ClassCount {
    const wchar_t* name;
    int count;
};

BOOL CALLBACK CountClass(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ClassCount*>(param);
    if (ClassOf(hwnd) == search->name) {
        ++search->count;
    }
    return TRUE;
}

void CmdWindows(const Args& args, Reply& reply) {
    ClassCount search{args.size() > 1 ? args[1].c_str() : L"TIDEWELL", 0};
    EnumWindows(CountClass, reinterpret_cast<LPARAM>(&search));
    reply.json.Bool("ok", true).Number("count", search.count);
}

// The colour the screen shows at a point of the main window's client area.
void CmdPixel(const Args& args, Reply& reply) {
    HWND main = MainWindow();
    if (!main || args.size() < 3) {
        return Fail(reply, "pixel X Y");
    }
    const RECT scaled = ScaledArea(main, ToInt(args[1]), ToInt(args[2]), 0, 0);
    POINT at{scaled.left, scaled.top};
    ClientToScreen(main, &at);
    const WindowDC screen(nullptr);
    const COLORREF colour = GetPixel(screen.get(), at.x, at.y);
    reply.json.Bool("ok", true).Number("r", GetRValue(colour)).Number("g", GetGValue(colour));
    reply.json.Number("b", GetBValue(colour));
}

// region X Y WIDTH HEIGHT: what the screen shows in an area of the main window's client
// area, as "RRGGBB" per pixel, rows top first, in one string.
void CmdRegion(const Args& args, Reply& reply) {
    HWND main = MainWindow();
    if (!main || args.size() < 5) {
        return Fail(reply, "region X Y WIDTH HEIGHT");
    }
    RECT area = ScaledArea(main, ToInt(args[1]), ToInt(args[2]), ToInt(args[3]), ToInt(args[4]));
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const Pixels shown = CaptureScreen(area);
    std::string hex;
    hex.reserve(shown.rgb.size() * 6);
    char pixel[8] = {};
    for (std::uint32_t rgb : shown.rgb) {
        std::snprintf(pixel, sizeof(pixel), "%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
        hex += pixel;
    }
    reply.json.Bool("ok", true).Number("width", shown.width).Number("height", shown.height);
    reply.json.String("rgb", std::string_view(hex));
}

// responsive MS DURATION_MS [TIMEOUT_MS]: how quickly the main window answers, probed
// every 50 ms for DURATION_MS, each probe given up after TIMEOUT_MS (default 1000).
// Two probes a round:
//  - a WM_NULL sent with SendMessageTimeout, its round trip measured. SMTO_NORMAL, so
//    that every probe really waits (up to the timeout) and is measured: with
//    SMTO_ABORTIFHUNG it would fail at once, unmeasured, once the system deems the
//    window hung. IsHungAppWindow is asked before each probe (after it, the probe
//    itself would just have woken the thread).
//  - a repaint: one pixel of the client area that no child covers is invalidated and
//    the time until its update region is empty again is measured. A thread that lets
//    only sent messages in (waiting for QS_SENDMESSAGE, peeking PM_QS_SENDMESSAGE)
//    still answers WM_NULL at once and is not hung to IsHungAppWindow, but paints
//    nothing: only this probe sees it. It needs a visible window that is not
//    minimised; while it is not, the round has no repaint probe.
// Reply: probes, longest_ms, slow (round trips over MS), timeouts, hung (probes for
// which IsHungAppWindow said hung), the same four for the repaint as paint_probes,
// paint_longest_ms, paint_slow, paint_timeouts, and window_gone when the window went
// away meanwhile.
struct ProbeTally {
    int probes = 0;
    unsigned long long longest = 0;
    int slow = 0;
    int timeouts = 0;

    void Add(unsigned long long ms, bool timedOut, unsigned long long limit) {
        ++probes;
        longest = ms > longest ? ms : longest;
        slow += ms > limit ? 1 : 0;
        timeouts += timedOut ? 1 : 0;
    }
    void Put(JsonWriter& json, const std::string& prefix) const {
        json.Number(prefix + "probes", probes);
        json.Number(prefix + "longest_ms", static_cast<long long>(longest));
        json.Number(prefix + "slow", slow).Number(prefix + "timeouts", timeouts);
    }
};

// A client point of the window that none of its visible children covers.
bool UncoveredPoint(HWND hwnd, POINT& found) {
    RECT client{};
    GetClientRect(hwnd, &client);
    for (int y = 0; y < client.bottom; y += 7) {
        for (int x = 0; x < client.right; x += 7) {
            if (ChildWindowFromPointEx(hwnd, POINT{x, y}, CWP_SKIPINVISIBLE) == hwnd) {
                found = POINT{x, y};
                return true;
            }
        }
    }
    return false;
}

// Milliseconds until the window has painted `spot`; more than `timeout` when it did not.
unsigned long long RepaintMs(HWND hwnd, POINT spot, DWORD timeout) {
    RECT pixel{spot.x, spot.y, spot.x + 1, spot.y + 1};
    const ULONGLONG start = GetTickCount64();
    InvalidateRect(hwnd, &pixel, FALSE);
    for (;;) {
        const ULONGLONG waited = GetTickCount64() - start;
        if (!GetUpdateRect(hwnd, nullptr, FALSE)) {
            return waited;
        }
        if (waited > timeout) {
            return waited;
        }
        Sleep(1);
    }
}

constexpr DWORD kProbeGapMs = 50;

void CmdResponsive(const Args& args, Reply& reply) {
    HWND main = MainWindow();
    if (!main || args.size() < 3) {
        return Fail(reply, "responsive MS DURATION_MS [TIMEOUT_MS] and a main window");
    }
    const unsigned long long limit = static_cast<unsigned long long>(ToInt(args[1]));
    const ULONGLONG duration = static_cast<ULONGLONG>(ToInt(args[2]));
    const DWORD timeout = args.size() > 3 ? static_cast<DWORD>(ToInt(args[3])) : 1000;
    ProbeTally sent;
    ProbeTally paint;
    int hung = 0;
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < duration && IsWindow(main)) {
        const ULONGLONG round = GetTickCount64();
        hung += IsHungAppWindow(main) ? 1 : 0; // asked first: the probe itself wakes the thread
        DWORD_PTR result = 0;
        const bool answered =
            SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, timeout, &result) != 0;
        sent.Add(GetTickCount64() - round, !answered, limit);
        POINT spot{};
        if (IsWindowVisible(main) && !IsIconic(main) && UncoveredPoint(main, spot)) {
            const unsigned long long ms = RepaintMs(main, spot, timeout);
            paint.Add(ms, ms > timeout, limit);
        }
        const ULONGLONG spent = GetTickCount64() - round;
        if (spent < kProbeGapMs) {
            Sleep(static_cast<DWORD>(kProbeGapMs - spent));
        }
    }
    reply.json.Bool("ok", true).Bool("window_gone", !IsWindow(main));
    sent.Put(reply.json, "");
    reply.json.Number("hung", hung);
    paint.Put(reply.json, "paint_");
}

// key VK [shift]: a key pressed and released on the real keyboard, as the user would:
// it goes to whichever window has the keyboard focus. With "shift", Shift is held.
void CmdKey(const Args& args, Reply& reply) {
    if (args.size() < 2) {
        return Fail(reply, "key VK [shift]");
    }
    const auto key = static_cast<WORD>(ToInt(args[1]));
    const bool shift = args.size() > 2 && args[2] == L"shift";
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (shift) {
        add(VK_SHIFT, false);
    }
    add(key, false);
    add(key, true);
    if (shift) {
        add(VK_SHIFT, true);
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    reply.json.Bool("ok", sent == inputs.size());
}

// Who has the keyboard: whether the program's main window is the foreground window, and
// which of its windows has the focus ("main", a control's id, or "other").
void CmdFocus(const Args&, Reply& reply) {
    HWND main = MainWindow();
    if (!main) {
        return Fail(reply, "no main window");
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    reply.json.Bool("ok", true).Bool("foreground", GetForegroundWindow() == main);
    if (info.hwndFocus == main) {
        reply.json.String("focus", L"main");
    } else if (info.hwndFocus != nullptr && GetParent(info.hwndFocus) == main) {
        reply.json.String("focus", std::to_wstring(GetDlgCtrlID(info.hwndFocus)));
    } else {
        reply.json.String("focus", L"other");
    }
}

std::wstring TakeText(BSTR text) {
    std::wstring taken = text != nullptr ? std::wstring(text, SysStringLen(text)) : L"";
    SysFreeString(text);
    return taken;
}

// The name as a client that reads properties through IDispatch hears it.
std::wstring NameThroughDispatch(IAccessible* object) {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    DISPPARAMS parameters{&self, nullptr, 1, 0};
    VARIANT name;
    VariantInit(&name);
    const HRESULT read = object->Invoke(DISPID_ACC_NAME, IID_NULL, LOCALE_USER_DEFAULT,
                                        DISPATCH_PROPERTYGET, &parameters, &name, nullptr, nullptr);
    std::wstring heard;
    if (SUCCEEDED(read) && name.vt == VT_BSTR && name.bstrVal != nullptr) {
        heard.assign(name.bstrVal, SysStringLen(name.bstrVal));
    }
    VariantClear(&name);
    return heard;
}

// accname ID: what an accessibility client learns about a control of the main window:
// its object (AccessibleObjectFromWindow), name, value, role, state, the name read
// through IDispatch, and where it says the control stands ("location", in the main
// window's client pixels).
void CmdAccName(const Args& args, Reply& reply) {
    HWND control = args.size() > 1 ? Control(ToInt(args[1])) : nullptr;
    if (!control) {
        return Fail(reply, "no such control");
    }
    IAccessible* object = nullptr;
    const HRESULT found =
        // __uuidof: liboleacc's IID_IAccessible is oleacc.dll's exported data, reached
        // through an import stub, not the GUID itself.
        AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object));
    if (FAILED(found) || object == nullptr) {
        reply.json.Bool("ok", false).Number("error", static_cast<long long>(found));
        return;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    BSTR value = nullptr;
    VARIANT role{};
    VARIANT state{};
    object->get_accName(self, &name);
    object->get_accValue(self, &value);
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
    long left = 0;
    long top = 0;
    long width = 0;
    long height = 0;
    object->accLocation(&left, &top, &width, &height, self);
    RECT location{left, top, left + width, top + height};
    MapWindowPoints(nullptr, MainWindow(), reinterpret_cast<POINT*>(&location), 2);
    reply.json.Bool("ok", true).String("name", TakeText(name)).String("value", TakeText(value));
    PutRect(reply.json, "location", location);
    reply.json.Number("role", role.vt == VT_I4 ? role.lVal : 0);
    reply.json.Number("state", state.vt == VT_I4 ? state.lVal : 0);
    reply.json.String("dispatch_name", NameThroughDispatch(object));
    VariantClear(&role);
    VariantClear(&state);
    object->Release();
}

// hit X Y: the id of the visible control of the main window that a click at that
// point (96 DPI, scaled) lands on; 0 for the window itself.
void CmdHit(const Args& args, Reply& reply) {
    HWND main = MainWindow();
    if (!main || args.size() < 3) {
        return Fail(reply, "hit X Y");
    }
    const RECT scaled = ScaledArea(main, ToInt(args[1]), ToInt(args[2]), 0, 0);
    HWND found = ChildWindowFromPointEx(main, POINT{scaled.left, scaled.top},
                                        CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    reply.json.Bool("ok", true)
        .Number("id", found != nullptr && found != main ? GetDlgCtrlID(found) : 0);
}

Args Split(const std::wstring& line) {
    Args args;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(L'\t', start);
        args.push_back(line.substr(start, tab - start));
        if (tab == std::wstring::npos) {
            return args;
        }
        start = tab + 1;
    }
}

using Handler = void (*)(const Args&, Reply&);

const std::map<std::wstring, Handler>& Handlers() {
    static const std::map<std::wstring, Handler> handlers = {
        {L"main", CmdMain},
        {L"children", CmdChildren},
        {L"progress", CmdProgress},
        {L"click", CmdClick},
        {L"checked", CmdChecked},
        {L"boxes", CmdMessageBoxes},
        {L"press", CmdPress},
        {L"capture", CmdCapture},
        {L"status", CmdStatus},
        {L"launch", CmdLaunch},
        {L"exitcode", CmdExitCode},
        {L"processes", CmdProcesses},
        {L"regset", CmdRegSet},
        {L"regget", CmdRegGet},
        {L"close", CmdClose},
        {L"windows", CmdWindows},
        {L"pixel", CmdPixel},
        {L"text", CmdText},
        {L"responsive", CmdResponsive},
        {L"key", CmdKey},
        {L"focus", CmdFocus},
        {L"accname", CmdAccName},
        {L"region", CmdRegion},
        {L"hit", CmdHit},
    };
    return handlers;
}

} // namespace

int main() {
    // Sees the screen in its own pixels at any DPI, as the program does.
    using SetAwareFunction = BOOL(WINAPI*)();
    if (const auto setAware = reinterpret_cast<SetAwareFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")))) {
        setAware();
    }
    // Accessibility objects come from the program's process through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line == "quit") {
            break;
        }
        Args args = Split(FromUtf8(line));
        Reply reply;
        auto handler = Handlers().find(args.empty() ? std::wstring() : args[0]);
        if (handler == Handlers().end()) {
            Fail(reply, "unknown command");
        } else {
            handler->second(args, reply);
        }
        std::cout << reply.Finish() << std::endl;
    }
    for (auto& [pid, process] : launched) {
        CloseHandle(process);
    }
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return 0;
}
