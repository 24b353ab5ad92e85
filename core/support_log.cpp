#include "core/support_log.h"

#include <windows.h>
#include <process.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "core/bounded_path.h"
#include "core/handles.h"
#include "core/log_bound.h"

namespace {
constexpr std::size_t kMaxQueuedLines = 2048;
constexpr DWORD kRetryMs = 1000;
constexpr DWORD kFinishWaitMs = 500;

// Shared by the window's thread (which queues) and the writer (which takes). Made once
// and never freed: the writer may still be busy with the file when the program ends.
struct LogQueue {
    std::mutex lock;
    std::condition_variable wake;
    // Guarded by `lock`:
    std::deque<std::string> lines;
    std::size_t taken = 0; // lines the writer has taken and not yet written
    std::size_t lost = 0;  // lines dropped since the last one queued
    bool finishing = false;
    // Set before the writer starts, read only after:
    std::wstring path;
    HANDLE thread = nullptr;
};
LogQueue* queue = nullptr;
DWORD startTick = 0;

std::wstring LogPath() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    std::wstring_view view(folder, length);
    if (view.ends_with(L'\\')) {
        view.remove_suffix(1);
    }
    return JoinWithin(view, L"Tidewell.log", MAX_PATH).value_or(std::wstring());
}

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) != 0 &&
           written == size;
}

// The newer part of the file's last `bound` bytes followed by `batch`, written over the
// whole file.
bool RewriteNewerHalf(HANDLE file, DWORD size, const std::string& batch) {
    const DWORD readFrom = size > kSupportLogBound ? size - kSupportLogBound : 0;
    std::string text(size - readFrom, '\0');
    DWORD read = 0;
    if (SetFilePointer(file, static_cast<LONG>(readFrom), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) {
        return false;
    }
    text.resize(read);
    text += batch;
    const std::size_t start = NewerPartStart(text, kSupportLogBound / 2);
    return SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           WriteAll(file, text.data() + start, text.size() - start) && SetEndOfFile(file);
}

// Appends `batch` (whole lines) to the log, or trims the log first. False when the file
// could not be opened or written; a failed append takes back what it wrote, so that the
// next try does not leave half a line behind.
bool AppendToLog(const std::wstring& path, const std::string& batch) {
    if (path.empty()) {
        return false;
    }
    // Others may read the log meanwhile, no one may write it.
    const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        return false;
    }
    if (high != 0 || PassesBound(size, batch.size())) {
        return high == 0 && RewriteNewerHalf(file.get(), size, batch);
    }
    if (SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        return false;
    }
    if (WriteAll(file.get(), batch.data(), batch.size())) {
        return true;
    }
    SetFilePointer(file.get(), static_cast<LONG>(size), nullptr, FILE_BEGIN);
    SetEndOfFile(file.get());
    return false;
}

unsigned __stdcall WriterThread(void*) {
    std::string batch; // lines taken and not yet written, each ending in CR LF
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(queue->lock);
            queue->wake.wait(guard, [&batch] {
                return queue->finishing || !queue->lines.empty() || !batch.empty();
            });
            while (!queue->lines.empty()) {
                batch += queue->lines.front();
                batch += "\r\n";
                queue->lines.pop_front();
                ++queue->taken;
            }
            if (batch.empty()) {
                return 0; // finishing, and all is written
            }
        }
        const bool written = AppendToLog(queue->path, batch);
        std::unique_lock<std::mutex> guard(queue->lock);
        if (written) {
            batch.clear();
            queue->taken = 0;
        } else if (queue->finishing) {
            return 0; // the program ends: no waiting for a locked or full disk
        } else {
            // Another try in a moment, or at once when the program begins to end.
            queue->wake.wait_for(guard, std::chrono::milliseconds(kRetryMs),
                                 [] { return queue->finishing; });
        }
    }
}
} // namespace

void StartSupportLog(std::string firstLine) {
    if (queue != nullptr) {
        return;
    }
    startTick = GetTickCount();
    queue = new LogQueue;
    queue->path = LogPath();
    queue->lines.push_back(std::move(firstLine));
    const std::uintptr_t thread = _beginthreadex(nullptr, 0, WriterThread, nullptr, 0, nullptr);
    queue->thread = reinterpret_cast<HANDLE>(thread);
    if (thread == 0) {
        queue->finishing = true; // nothing will take lines: take none
    }
}

void WriteSupportLog(std::string line) {
    if (queue == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        if (queue->finishing) {
            return;
        }
        const std::size_t held = queue->lines.size() + queue->taken;
        const std::size_t room = held < kMaxQueuedLines ? kMaxQueuedLines - held : 0;
        if (room < (queue->lost > 0 ? 2u : 1u)) {
            ++queue->lost;
            return;
        }
        if (queue->lost > 0) {
            queue->lines.push_back(LostLinesNote(queue->lost));
            queue->lost = 0;
        }
        queue->lines.push_back(std::move(line));
    }
    queue->wake.notify_one();
}

std::uint32_t SupportLogTime() {
    return GetTickCount() - startTick; // unsigned: right across the wrap
}

void FinishSupportLog() {
    if (queue == nullptr || queue->thread == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->finishing = true;
    }
    queue->wake.notify_one();
    WaitForSingleObject(queue->thread, kFinishWaitMs);
    CloseHandle(queue->thread);
    queue->thread = nullptr;
}
