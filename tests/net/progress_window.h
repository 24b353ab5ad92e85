#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// A plain window on a thread of its own, with its own message loop, standing in for
// the main window: it records every download progress report (with the attempt it
// belongs to), every attempt's end and every verdict it is sent, and can run code on its
// thread the way the main window runs its handlers.
class ProgressWindow {
public:
    struct Report {
        unsigned attempt;
        std::uint32_t total;
        std::uint32_t done;
    };
    struct Ended {
        unsigned attempt;
        LPARAM outcome; // a DownloadEnd
    };
    struct Verdict {
        unsigned attempt;
        bool damaged;
    };

    ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow();

    HWND hwnd() const { return hwnd_; }
    std::vector<Report> Reports() const;
    std::vector<Ended> Ends() const;
    std::vector<Verdict> Verdicts() const;

    // Called inside the progress handler, on the window's thread, after recording.
    void OnReport(std::function<void(const Report&)> handler);

    // The outcome of `attempt` once it has ended, or nothing after `timeoutMs`.
    std::optional<LPARAM> WaitForEnd(unsigned attempt, DWORD timeoutMs) const;
    // The verdict on `attempt`'s file (true: damaged), or nothing after `timeoutMs`.
    std::optional<bool> WaitForVerdict(unsigned attempt, DWORD timeoutMs) const;

    // Polls `condition` until it holds or `timeoutMs` passes; whether it held.
    static bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    mutable std::mutex lock_;
    std::vector<Report> reports_;
    std::vector<Ended> ends_;
    std::vector<Verdict> verdicts_;
    std::function<void(const Report&)> onReport_;
    HWND hwnd_ = nullptr;
    std::thread thread_;
};
