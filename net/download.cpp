#include "net/download.h"

#include <urlmon.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "build_config.h"
#include "core/app_object.h"
#include "core/com_scope.h"
#include "core/file_size.h"
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
#include "net/held_download.h"
#include "net/install_answer.h"
#include "net/http_headers.h"
#include "net/range_rules.h"
#include "net/retry_after.h"
#include "net/transfer_request.h"
#include "net/url_cache_status.h"

namespace {
constexpr const wchar_t* kInstallAnswerAddress =
    L"http://" TIDEWELL_UPDATE_HOST L"/api/v1/install_url";

// Where the installer lies: the address the service named (what the bytes held belong
// to) and the one asked for (with a cache-busting query when one is pending).
struct InstallerSource {
    std::wstring address;
    std::wstring url;
};

// The last answer this thread's attempt had, for the wizard's pacing should it fail.
thread_local AttemptAnswer lastAnswer;

std::int64_t SecondsSince1970() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t units = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    constexpr std::uint64_t kUnitsFrom1601To1970 = 116444736000000000ULL;
    return static_cast<std::int64_t>((units - kUnitsFrom1601To1970) / 10000000);
}

void NoteAnswer(int status, std::wstring_view headers) {
    lastAnswer.status = status;
    lastAnswer.serviceWaitMs =
        ServiceWaitMs(status, HeaderValue(headers, L"retry-after").value_or(L""),
                      HeaderValue(headers, L"date").value_or(L""), SecondsSince1970())
            .value_or(0);
}

// Asks the service where the installer lies; stores the announced digest. Empty when
// the answer names no usable address.
InstallerSource AskForInstaller(unsigned attempt) {
    VBindCallback& app = *GetApp();
    const HttpTextAnswer reply = HttpGet(kInstallAnswerAddress);
    NoteAnswer(reply.status, reply.headers);
    const InstallAnswer answer = ParseInstallAnswer(reply.body);
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
    return {*address, *url};
}

// What the answer to the last request said: its status and headers as OnResponse saw
// them, or, where it was not called, the status the WinINet cache recorded.
RangeAnswer AnswerOf(const TransferRequest& request, const std::wstring& url) {
    RangeAnswer answer;
    if (!request.answered) {
        const CachedResponse cached = CachedResponseOf(url.c_str());
        answer.status = cached.status > 0 ? cached.status : 0;
        answer.contentEncoded = cached.contentEncoded;
        return answer;
    }
    const std::wstring_view headers = request.headers;
    answer.status = static_cast<int>(request.status);
    if (const auto range = HeaderValue(headers, L"content-range")) {
        answer.range = ParseContentRange(*range);
    }
    answer.validator = StrongValidator(HeaderValue(headers, L"etag").value_or(L""),
                                       HeaderValue(headers, L"last-modified").value_or(L""),
                                       HeaderValue(headers, L"date").value_or(L""));
    answer.contentEncoded = HeadersNameContentEncoding(headers);
    return answer;
}

// URLDownloadToFileW saves short transfers as if they were the whole file.
bool TransferDeliveredTheFile(const RangeAnswer& answer, std::uint64_t received) {
    const TransferProgress progress = LastTransferProgress();
    return answer.status == 200 &&
           !TransferCameUpShort(progress.done, progress.total, received, answer.contentEncoded);
}

// The announced length of a whole file's answer; nothing when it names none.
std::optional<std::uint64_t> ContentLength(const TransferRequest& request) {
    const auto value = HeaderValue(request.headers, L"content-length");
    return value ? DecimalNumber(*value) : std::nullopt;
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

// How an attempt ends that did not place a file: stopped when asked to (or replaced),
// else failed on its own, and then a full disk is named if the rest would not fit.
DownloadEnd EndWithoutFile(unsigned attempt, const TransferRequest& request,
                           const std::wstring& address, const std::wstring& folder) {
    if (!request.gaveUpSilent && !AttemptMayGoOn(attempt)) {
        return DOWNLOAD_STOPPED;
    }
    const HeldBytes held = HeldBytesFor(address);
    const std::uint64_t rest = held.total > held.count ? held.total - held.count : 0;
    return RoomFor(folder, rest) ? DOWNLOAD_FAILED : DOWNLOAD_DISK_FULL;
}

// One attempt: the whole installer in one answer while the link has not cut a transfer
// (or from a service whose ranges could not be used); else the rest in ranges, each
// appended to the bytes held once it has been validated, until they are the whole file.
// Only a range that came whole lets the attempt go on: every other answer ends it as a
// failed one, so the wizard's back-off paces the next request. What of a lost or cut
// transfer arrived is kept for the next attempt.
DownloadEnd RunDownloadAttempt(HWND window, unsigned attempt) {
    const ComScope com;
    const WorkingFileUse use;
    VBindCallback& app = *GetApp();
    BindAttemptToThisThread(attempt);
    app.notifyWindow.store(window);
    const TransferWatch watch;

    const InstallerSource source = AskForInstaller(attempt);
    const std::wstring workingFile = GetInstallerFilePath();
    const std::wstring part = AttemptFilePath(workingFile, attempt);
    if (source.url.empty() || part.empty()) {
        return AttemptMayGoOn(attempt) ? DOWNLOAD_FAILED : DOWNLOAD_STOPPED;
    }
    const std::wstring folder = workingFile.substr(0, workingFile.rfind(L'\\'));
    const auto endWithoutFile = [&](const TransferRequest& request) {
        DeleteAttemptFile(part);
        return EndWithoutFile(attempt, request, source.address, folder);
    };
    for (;;) {
        if (!AttemptMayGoOn(attempt)) {
            return DOWNLOAD_STOPPED;
        }
        const HeldBytes held = HeldBytesFor(source.address);
        if (held.count != 0 && held.count == held.total) {
            if (PlaceHeldBytes(attempt, workingFile)) {
                return DOWNLOAD_PLACED;
            }
            return AttemptMayGoOn(attempt) ? DOWNLOAD_FAILED : DOWNLOAD_STOPPED;
        }
        const bool useRanges = !RangesGivenUp();
        const std::uint64_t asked = NextRangeLength();
        BeginTransferRequest(useRanges ? NextRequestHeaders(held, asked) : std::wstring(),
                             useRanges ? held.count : 0, useRanges ? held.total : 0, folder);
        DeleteFileW(part.c_str());
        const HRESULT transfer =
            URLDownloadToFileW(nullptr, source.url.c_str(), part.c_str(), 0, &app);
        const TransferRequest& request = ThisThreadsRequest();
        // A transfer we stopped ourselves (a cancel question, the watchdog's outage, a
        // newer attempt) says nothing of the link: only one it cut shortens the ranges.
        const bool stoppedByUs = !request.gaveUpSilent && !AttemptMayGoOn(attempt);
        const RangeAnswer answer = AnswerOf(request, source.url);
        NoteAnswer(answer.status, request.headers);
        const std::uint64_t received = FileSizeOf(part).value_or(0);
        if (request.diskFull) {
            DeleteAttemptFile(part);
            return DOWNLOAD_DISK_FULL;
        }
        if (answer.status == 0) { // no answer at all: the connection failed or was cut
            return endWithoutFile(request);
        }
        const RangeVerdict verdict = useRanges              ? JudgeRangeAnswer(held, answer)
                                     : answer.status == 200 ? RangeVerdict::WholeFile
                                     : answer.status >= 400 ? RangeVerdict::Failed
                                                            : RangeVerdict::StartAgain;
        switch (verdict) {
        case RangeVerdict::Append: {
            const std::uint64_t expected = answer.range->last - answer.range->first + 1;
            const bool whole = transfer == S_OK && received == expected;
            // What a cut range left is kept too (Wine leaves it): its length says it is a
            // start of what was asked for, no more.
            if (received != 0 && received <= expected &&
                !AppendToHeldBytes(attempt, source.address, part, received, answer.range->total,
                                   *answer.validator)) {
                if (GetLastError() == ERROR_DISK_FULL) {
                    DeleteAttemptFile(part);
                    return DOWNLOAD_DISK_FULL;
                }
                return endWithoutFile(request);
            }
            if (whole || !stoppedByUs) {
                NoteRangeOutcome(asked, whole);
            }
            if (!whole) {
                return endWithoutFile(request);
            }
            DeleteAttemptFile(part);
            break; // the next range
        }
        case RangeVerdict::WholeFile: {
            ForgetHeldBytes(attempt);
            if (transfer == S_OK && TransferDeliveredTheFile(answer, received)) {
                if (PlaceAttemptFile(attempt, part, workingFile)) {
                    StartRangesAfresh();
                    return DOWNLOAD_PLACED;
                }
            } else {
                if (const auto length = ContentLength(request);
                    length && answer.validator && !answer.contentEncoded && received != 0 &&
                    received < *length) {
                    // A whole file cut short: its start is kept, to go on from.
                    HoldPrefix(attempt, source.address, part, received, *length, *answer.validator);
                }
                if (!stoppedByUs) {
                    NoteRangeOutcome(asked, false); // the link cuts: bounded ranges from now on
                }
            }
            return endWithoutFile(request);
        }
        case RangeVerdict::StartAgain:
            // Not spliced: what is held goes, the next attempt asks from 0, and after a
            // second such answer for the whole file without ranges.
            ForgetHeldBytes(attempt);
            NoteAnswerNotSpliced();
            return endWithoutFile(request);
        case RangeVerdict::Failed:
            return endWithoutFile(request);
        }
    }
}
} // namespace

unsigned __stdcall DownloadInstallerThread(void* attemptStart) {
    const auto start = TakeWorkerArgument<AttemptStart>(attemptStart);
    DownloadEnd outcome = DOWNLOAD_FAILED;
    try {
        outcome = RunDownloadAttempt(start->window, start->attempt);
    } catch (...) {
        // Out of memory at worst: the attempt failed.
    }
    if (GetApp()->quitRequested.load() == 0) {
        SendDownloadEnded(start->window, start->attempt, outcome, lastAnswer);
    }
    return 0;
}

bool StartDownloadAttempt(HWND window, unsigned attempt) {
    return StartWorkerWith(DownloadInstallerThread, AttemptStart{window, attempt});
}
