#include "core/app_object.h"
#include "core/messages.h"
#include "net/download_attempts.h"
#include "net/range_rules.h"
#include "net/transfer_request.h"

namespace {
constexpr DWORD kPauseAfterReportMs = 20;

// A notification may be forwarded only for the current attempt, while nobody has
// asked the download to stop. A stale attempt (one a newer attempt replaced while it
// was stuck) is ended at its next notification and never reports for the new one.
bool MayReport() {
    return AttemptMayGoOn(AttemptOfThisThread());
}
} // namespace

// Runs on the thread that called URLDownloadToFileW, for every notification whatever
// its status code. A range's progress reaches the window as the whole file's: the bytes
// held before it are added. Progress and total travel as their 32-bit values; the
// window reads them as unsigned (see DownloadPercent).
HRESULT VBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR) {
    if (!MayReport()) {
        return E_ABORT;
    }
    TransferRequest& request = ThisThreadsRequest();
    if (progress > request.lastProgress) {
        request.lastProgress = progress;
        request.lastByteAt = GetTickCount(); // the connection is alive
    }
    // A full disk is told now, not by a transfer that fails once it has filled it.
    if (!request.roomChecked && progressMax != 0) {
        request.roomChecked = true;
        if (!RoomFor(request.folder, RoomNeeded(request, progressMax))) {
            request.diskFull = true;
            return E_ABORT;
        }
    }
    NoteTransferProgress(progress, progressMax);
    const OverallProgress overall =
        ProgressWithOffset(request.offset, request.wholeTotal, progress, progressMax);
    SendDownloadProgress(notifyWindow.load(), AttemptOfThisThread(), overall.total, overall.done);
    // Seen at once if the flag was set while the window handled the report.
    if (!MayReport()) {
        return E_ABORT;
    }
    Sleep(kPauseAfterReportMs);
    return S_OK;
}
