#include "tests/install/recording_window.h"

#include <process.h>

#include <algorithm>
#include <cstdint>

namespace {
constexpr wchar_t kClassName[] = L"TidewellRecordingWindow";
constexpr UINT kFirstPrivate = WM_USER + 100;
constexpr UINT kLastPrivate = WM_USER + 127;
constexpr UINT kSetFolderText = WM_USER + 108;
constexpr std::size_t kTextLimit = 260;

void RegisterOnce() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

void DispatchWaiting() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
} // namespace

RecordingWindow::RecordingWindow() {
    RegisterOnce();
    hwnd_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingWindow::Proc));
}

RecordingWindow::~RecordingWindow() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message >= kFirstPrivate && message <= kLastPrivate) {
        self->Record(message, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RecordingWindow::Record(UINT message, WPARAM wParam, LPARAM lParam) {
    ReceivedMessage entry{message, wParam, lParam, GetTickCount64(), {}};
    if (message == kSetFolderText && lParam != 0) {
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        entry.text.assign(text, wcsnlen(text, kTextLimit));
    }
    received_.push_back(std::move(entry));
    if (message == delayedMessage_ && delayMs_ > 0) {
        Sleep(delayMs_);
    }
}

bool RecordingWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        DispatchWaiting();
        if (done()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10));
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void RecordingWindow::PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool RecordingWindow::JoinThread(HANDLE thread, DWORD timeoutMs) {
    return PumpUntil([thread] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; },
                     timeoutMs);
}

std::vector<ReceivedMessage> RecordingWindow::Received(UINT message) const {
    std::vector<ReceivedMessage> matching;
    std::copy_if(received_.begin(), received_.end(), std::back_inserter(matching),
                 [message](const ReceivedMessage& m) { return m.message == message; });
    return matching;
}

std::size_t RecordingWindow::Count(UINT message) const {
    return static_cast<std::size_t>(
        std::count_if(received_.begin(), received_.end(),
                      [message](const ReceivedMessage& m) { return m.message == message; }));
}

void RecordingWindow::DelayHandling(UINT message, DWORD ms) {
    delayedMessage_ = message;
    delayMs_ = ms;
}

HANDLE StartThread(unsigned(__stdcall* procedure)(void*), void* argument) {
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, procedure, argument, 0, nullptr));
}
