#include "net/download.h"

#include <urlmon.h>

#include <memory>
#include <optional>
#include <string>

#include "build_config.h"
#include "core/app_object.h"
#include "core/com_scope.h"
#include "core/held_files.h"
#include "core/messages.h"
#include "core/worker_thread.h"
#include "core/working_file_users.h"
#include "core/working_paths.h"
#include "net/ansi_text.h"
#include "net/answer_text.h"
#include "net/download_attempts.h"
#include "net/download_rules.h"
#include "net/http_client.h"
#include "net/install_answer.h"
#include "net/url_cache_status.h"

namespace {
constexpr const wchar_t* kInstallAnswerAddress =
    L"http://" TIDEWELL_UPDATE_HOST L"/api/v1/install_url";

// Asks the service where the installer lies; stores the announced digest. Empty when
// the answer names no usable address.
std::wstring AskForInstallerUrl(unsigned attempt) {
    VBindCallback& app = *GetApp();
    const InstallAnswer answer = ParseInstallAnswer(HttpGetText(kInstallAnswerAddress));
    if (answer.address.empty() || !AttemptMayGoOn(attempt)) {
        return {};
    }
    const std::optional<std::wstring> address =
        AnswerTextToUtf16(answer.address, kInstallerUrlMaxChars, AnsiToWide);
    if (!address) {
        return {};
    }
    const bool bustCache = app.cacheBustPending.load() != 0;
    const std::wstring query =
        bustCache ? InstallerCacheBustQuery(*address, GetTickCount()) : std::wstring();
    const std::optional<std::wstring> url = InstallerUrlWithin(*address, query);
    if (!url) {
        return {}; // too long: never cut into a different address
    }
    if (bustCache) {
        app.cacheBustPending.store(0);
    }
    if (answer.hasChecksum) {
        app.expectedMd5.Set(answer.checksum);
    }
    return *url;
}

std::optional<std::uint64_t> FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// URLDownloadToFileW saves error pages and short transfers as if they were the file.
bool TransferDeliveredTheFile(const std::wstring& url, const std::wstring& file) {
    const CachedResponse response = CachedResponseOf(url.c_str());
    if (!CachedStatusAcceptsFile(response.status)) {
        return false;
    }
    const std::optional<std::uint64_t> size = FileSize(file);
    const TransferProgress progress = LastTransferProgress();
    return size &&
           !TransferCameUpShort(progress.done, progress.total, *size, response.contentEncoded);
}

// An attempt's file that was not placed goes at once: a scanner holding it is waited
// for, so that the outcome is known only once nothing of the attempt is left.
void DeleteAttemptFile(const std::wstring& attemptFile) {
    if (attemptFile.empty()) {
        return;
    }
    RetryWhileHeld([&] {
        return DeleteFileW(attemptFile.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
    });
}

struct AttemptStart {
    HWND window;
    unsigned attempt;
};

DownloadEnd RunDownloadAttempt(HWND window, unsigned attempt) {
    const ComScope com;
    const WorkingFileUse use;
    VBindCallback& app = *GetApp();
    BindAttemptToThisThread(attempt);
    app.notifyWindow.store(window);

    const std::wstring url = AskForInstallerUrl(attempt);
    const std::wstring workingFile = GetInstallerFilePath();
    const std::wstring attemptFile = AttemptFilePath(workingFile, attempt);
    HRESULT transfer = E_PENDING; // never called
    bool delivered = false;
    if (!url.empty() && !attemptFile.empty()) {
        DeleteFileW(attemptFile.c_str());
        transfer = URLDownloadToFileW(nullptr, url.c_str(), attemptFile.c_str(), 0, &app);
        delivered = transfer == S_OK && TransferDeliveredTheFile(url, attemptFile);
    }
    if (delivered && PlaceAttemptFile(attempt, attemptFile, workingFile)) {
        return DOWNLOAD_PLACED;
    }
    DeleteAttemptFile(attemptFile);
    if (transfer == E_ABORT || !AttemptMayGoOn(attempt)) {
        return DOWNLOAD_STOPPED;
    }
    return DOWNLOAD_FAILED;
}
} // namespace

unsigned __stdcall DownloadInstallerThread(void* attemptStart) {
    const std::unique_ptr<AttemptStart> start(static_cast<AttemptStart*>(attemptStart));
    DownloadEnd outcome = DOWNLOAD_FAILED;
    try {
        outcome = RunDownloadAttempt(start->window, start->attempt);
    } catch (...) {
        // Out of memory at worst: the attempt failed.
    }
    if (GetApp()->quitRequested.load() == 0) {
        SendMessageW(start->window, UM_DOWNLOAD_ENDED, static_cast<WPARAM>(start->attempt),
                     outcome);
    }
    return 0;
}

bool StartDownloadAttempt(HWND window, unsigned attempt) {
    auto start = std::make_unique<AttemptStart>(AttemptStart{window, attempt});
    if (!StartWorker(DownloadInstallerThread, start.get())) {
        return false;
    }
    start.release(); // the thread owns it now
    return true;
}
