#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

// The product registration value "InstallPath" of an earlier installation.
void RegisterFolder(const std::wstring& folder);
void RemoveRegisteredFolder();

// Plays the user in front of the folder dialog: a thread that waits for the dialog of
// this process, notes whether it shows the title text, and then cancels it or picks a
// folder. It closes any dialog it finds, so a test never hangs on one.
enum class DialogAction { kCancel, kPick };

struct DialogReport {
    bool dialogSeen = false;
    bool titleSeen = false;
};

class DialogDriver {
public:
    explicit DialogDriver(DialogAction action, std::wstring pick = {});
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    ~DialogDriver();
    // Stops looking (the call that could open the dialog has returned) and reports.
    DialogReport Finish();

private:
    void Run();

    DialogAction action_;
    std::wstring pick_;
    std::atomic<bool> stop_{false};
    DialogReport report_;
    std::thread thread_;
};
