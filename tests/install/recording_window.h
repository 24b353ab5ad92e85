#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A hidden window that stands in for the main window (or the folder label) in tests:
// it records every private message it receives, in order, with the time of arrival,
// and handles them on the test's own thread while the test pumps.
struct ReceivedMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    ULONGLONG atMs = 0; // GetTickCount64 when handling began
    std::wstring text;  // UM_SET_FOLDER_TEXT: the text, copied during the call
};

class RecordingWindow {
public:
    RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;
    ~RecordingWindow();

    HWND hwnd() const { return hwnd_; }

    // Handles messages until `done` is true (returns true) or the time is up (false).
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
    void PumpFor(DWORD ms);
    // Waits for a thread to end while handling what it sends; false on timeout.
    bool JoinThread(HANDLE thread, DWORD timeoutMs);

    const std::vector<ReceivedMessage>& All() const { return received_; }
    std::vector<ReceivedMessage> Received(UINT message) const;
    std::size_t Count(UINT message) const;
    void Clear() { received_.clear(); }

    // Makes the handling of `message` take this long, like a busy main window.
    void DelayHandling(UINT message, DWORD ms);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Record(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::vector<ReceivedMessage> received_;
    UINT delayedMessage_ = 0;
    DWORD delayMs_ = 0;
};

// Starts a thread procedure with _beginthreadex and returns its handle (owned by the
// caller), so a test can wait for the thread to end.
HANDLE StartThread(unsigned(__stdcall* procedure)(void*), void* argument);
