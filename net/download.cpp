#include "net/download.h"

#include <urlmon.h>

#include <optional>
#include <string>

#include "build_config.h"
#include "core/app_object.h"
#include "core/com_scope.h"
#include "core/messages.h"
#include "core/working_paths.h"
#include "net/ansi_text.h"
#include "net/answer_text.h"
#include "net/download_attempts.h"
#include "net/download_rules.h"
#include "net/file_md5.h"
#include "net/http_client.h"
#include "net/install_answer.h"
#include "net/installer_signature.h"
#include "net/url_cache_status.h"

namespace {
constexpr const wchar_t* kInstallAnswerAddress =
    L"http://" TIDEWELL_UPDATE_HOST L"/api/v1/install_url";

// Asks the service where the installer lies; stores the announced digest. Empty when
// the answer names no usable address.
std::wstring AskForInstallerUrl(unsigned attempt) {
    VBindCallback& app = *GetApp();
    const InstallAnswer answer = ParseInstallAnswer(HttpGetText(kInstallAnswerAddress));
    if (answer.address.empty() || !IsCurrentAttempt(attempt)) {
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

// A transfer without a total (an encoded or chunked one) never reported a percentage;
// now that its file is in place, the window is told that the download is whole.
void ReportWholeIfNoTotalWasKnown(HWND mainWindow, unsigned attempt, const std::wstring& file) {
    if (LastTransferProgress().total != 0 || !IsCurrentAttempt(attempt) ||
        DownloadStopRequested()) {
        return;
    }
    const std::uint64_t size = FileSize(file).value_or(0);
    const auto whole = static_cast<std::uint32_t>(size == 0 ? 1 : size);
    SendMessageW(mainWindow, UM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(whole),
                 static_cast<LPARAM>(whole));
}

// The working file as the current attempt left it: its digest against the announced
// one, then its signature.
bool WorkingFileCallsForFreshDownload() {
    const std::wstring workingFile = GetInstallerFilePath();
    const std::string digest =
        workingFile.empty() ? std::string() : FileMd5Hex(workingFile.c_str());
    if (DigestCallsForFreshDownload(digest, GetApp()->expectedMd5.Get())) {
        return true;
    }
    // The digest came over the same plain channel as the file: only the maker's
    // signature says where the file came from.
    return InstallerLacksPinnedSignature(workingFile);
}

bool ShouldReportFailure(unsigned attempt, HRESULT transfer) {
    return transfer != E_ABORT && IsCurrentAttempt(attempt) && !DownloadStopRequested();
}
} // namespace

DownloadAttemptResult RunDownloadAttempt(HWND mainWindow) {
    DownloadAttemptResult result;
    const ComScope com;
    VBindCallback& app = *GetApp();
    const unsigned attempt = BeginDownloadAttempt();
    app.notifyWindow.store(mainWindow);

    const std::wstring url = AskForInstallerUrl(attempt);
    const std::wstring workingFile = GetInstallerFilePath();
    const std::wstring attemptFile = AttemptFilePath(workingFile, attempt);
    bool delivered = false;
    if (!url.empty() && !attemptFile.empty()) {
        DeleteFileW(attemptFile.c_str());
        result.transfer = URLDownloadToFileW(nullptr, url.c_str(), attemptFile.c_str(), 0, &app);
        delivered = result.transfer == S_OK && TransferDeliveredTheFile(url, attemptFile);
    }
    result.placed = FinishDownloadAttempt(attempt, delivered, attemptFile, workingFile);
    if (result.placed) {
        ReportWholeIfNoTotalWasKnown(mainWindow, attempt, workingFile);
    }
    if (!result.placed && ShouldReportFailure(attempt, result.transfer)) {
        SendMessageW(mainWindow, UM_DOWNLOAD_FAILED, 0, 0);
        result.reportedFailure = true;
    }
    return result;
}

unsigned __stdcall DownloadInstallerThread(void* mainWindow) {
    try {
        RunDownloadAttempt(static_cast<HWND>(mainWindow));
    } catch (...) {
        // Out of memory at worst; the thread ends quietly like a failed attempt.
    }
    return 0;
}

bool InstallerNeedsFreshDownload() {
    for (;;) {
        WaitForCurrentAttempt(kVerifyWaitMs);
        const unsigned judged = CurrentAttempt();
        const bool fresh = WorkingFileCallsForFreshDownload();
        // A newer attempt may have begun meanwhile (the cancel question declined): the
        // file to judge is then the one it is about to place.
        if (CurrentAttempt() == judged || GetApp()->quitRequested.load() != 0) {
            return fresh;
        }
    }
}

unsigned __stdcall VerifyInstallerThread(void* verification) {
    try {
        const bool fresh = InstallerNeedsFreshDownload();
        const VBindCallback* app = GetApp();
        if (app->quitRequested.load() == 0) {
            SendMessageW(app->mainWindow, UM_INSTALLER_VERIFIED, fresh ? 1 : 0,
                         reinterpret_cast<LPARAM>(verification));
        }
    } catch (...) {
        // Out of memory at worst: no verdict, and the wizard waits on its verify page,
        // where the user can still cancel.
    }
    return 0;
}
