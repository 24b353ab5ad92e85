#include "progress_window.h"

#include "core/messages.h"
#include "net/download_attempts.h"

namespace {
constexpr wchar_t kClassName[] = L"TidewellNetTestWindow";

void RegisterOnce() {
    static const ATOM atom = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassW(&windowClass);
    }();
    (void)atom;
}
} // namespace

ProgressWindow::ProgressWindow() {
    RegisterOnce();
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
}

ProgressWindow::~ProgressWindow() {
    if (hwnd_) {
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
    thread_.join();
}

void ProgressWindow::Run(HANDLE ready) {
    HWND hwnd = CreateWindowExW(0, kClassName, L"progress", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    }
    hwnd_ = hwnd;
    SetEvent(ready);
    if (!hwnd) {
        return;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK ProgressWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case UM_DOWNLOAD_PROGRESS: {
        // The bits of the two 32-bit values, as the main window reads them.
        const Report report{AttemptOfProgressReport(), static_cast<std::uint32_t>(wParam),
                            static_cast<std::uint32_t>(lParam)};
        std::function<void(const Report&)> handler;
        {
            std::lock_guard<std::mutex> guard(self->lock_);
            self->reports_.push_back(report);
            handler = self->onReport_;
        }
        if (handler) {
            handler(report);
        }
        return 0;
    }
    case UM_DOWNLOAD_ENDED: {
        std::lock_guard<std::mutex> guard(self->lock_);
        self->ends_.push_back({static_cast<unsigned>(wParam), lParam});
        return 0;
    }
    case UM_INSTALLER_VERIFIED: {
        std::lock_guard<std::mutex> guard(self->lock_);
        self->verdicts_.push_back({static_cast<unsigned>(lParam), wParam != 0});
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

std::vector<ProgressWindow::Report> ProgressWindow::Reports() const {
    std::lock_guard<std::mutex> guard(lock_);
    return reports_;
}

std::vector<ProgressWindow::Ended> ProgressWindow::Ends() const {
    std::lock_guard<std::mutex> guard(lock_);
    return ends_;
}

std::vector<ProgressWindow::Verdict> ProgressWindow::Verdicts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return verdicts_;
}

std::optional<LPARAM> ProgressWindow::WaitForEnd(unsigned attempt, DWORD timeoutMs) const {
    std::optional<LPARAM> outcome;
    WaitFor(
        [&] {
            for (const Ended& end : Ends()) {
                if (end.attempt == attempt) {
                    outcome = end.outcome;
                }
            }
            return outcome.has_value();
        },
        timeoutMs);
    return outcome;
}

std::optional<bool> ProgressWindow::WaitForVerdict(unsigned attempt, DWORD timeoutMs) const {
    std::optional<bool> damaged;
    WaitFor(
        [&] {
            for (const Verdict& verdict : Verdicts()) {
                if (verdict.attempt == attempt) {
                    damaged = verdict.damaged;
                }
            }
            return damaged.has_value();
        },
        timeoutMs);
    return damaged;
}

void ProgressWindow::OnReport(std::function<void(const Report&)> handler) {
    std::lock_guard<std::mutex> guard(lock_);
    onReport_ = std::move(handler);
}

bool ProgressWindow::WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(5);
    }
    return true;
}
