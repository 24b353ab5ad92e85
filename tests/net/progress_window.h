#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A plain window on a thread of its own, with its own message loop, standing in for
// the main window: it records every UM_DOWNLOAD_PROGRESS and UM_DOWNLOAD_FAILED it
// is sent, and can run code on its thread the way the main window runs its handlers.
class ProgressWindow {
public:
    struct Report {
        std::uint32_t total;
        std::uint32_t done;
    };

    ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow();

    HWND hwnd() const { return hwnd_; }
    std::vector<Report> Reports() const;
    int Failures() const;

    // Called inside the progress handler, on the window's thread, after recording.
    void OnReport(std::function<void(const Report&)> handler);

    // Polls `condition` until it holds or `timeoutMs` passes; whether it held.
    static bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    mutable std::mutex lock_;
    std::vector<Report> reports_;
    int failures_ = 0;
    std::function<void(const Report&)> onReport_;
    HWND hwnd_ = nullptr;
    std::thread thread_;
};
