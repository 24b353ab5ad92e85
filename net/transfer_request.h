#pragma once
#include <windows.h>
#include <urlmon.h>

#include <cstdint>
#include <string>

// The one request a download attempt's thread has in flight, and what its answer said.
// URLDownloadToFileW calls the Application object back on the thread that called it,
// so each attempt's thread has a record of its own; nothing here is shared.

// A connection that delivers nothing for this long while the machine is online is given
// up: a NAT or proxy that forgot it sends no reset, and nothing else would ever end it.
constexpr DWORD kSilentTransferMs = 30000;

struct TransferRequest {
    // Set up before the call.
    std::wstring extraHeaders;    // each line ending in CRLF; handed over as asked
    std::uint64_t offset = 0;     // bytes of the file before the first byte asked for
    std::uint64_t wholeTotal = 0; // the file's total when known
    std::wstring folder;          // where the file is written: its drive needs the room

    // Learnt during it.
    bool answered = false;     // OnResponse came
    DWORD status = 0;          // its status code
    std::wstring headers;      // its raw header block
    bool gaveUpSilent = false; // no byte for kSilentTransferMs while online: given up
    bool diskFull = false;     // the disk lacks the room for the rest: stopped at once
    bool roomChecked = false;

    // Watching it (OnStartBinding to OnStopBinding).
    IBinding* binding = nullptr;
    DWORD lastByteAt = 0; // GetTickCount of the last report of new bytes
    std::uint32_t lastProgress = 0;
};

// Watches the transfers of one attempt's thread while it lives: a transfer that was
// replaced or asked to stop is aborted at once, a silent one after kSilentTransferMs.
// The binding must be aborted on its own thread, which is blocked in URLDownloadToFileW;
// that call's own message loop does not dispatch timers (Wine's looks only at its own
// window), but every message loop takes in messages sent from other threads. So a
// thread of the watch sends a message, twice a second, to a message-only window of the
// attempt's thread, and its procedure looks at the transfer there.
class TransferWatch {
public:
    TransferWatch();
    ~TransferWatch();
    TransferWatch(const TransferWatch&) = delete;
    TransferWatch& operator=(const TransferWatch&) = delete;

private:
    HWND mailbox_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE watcher_ = nullptr;
};

// This thread's request, fresh for each call of URLDownloadToFileW.
TransferRequest& ThisThreadsRequest();
void BeginTransferRequest(std::wstring extraHeaders, std::uint64_t offset, std::uint64_t wholeTotal,
                          std::wstring folder);

// Whether the drive of `folder` has `bytes` free for the current user; true when that
// cannot be told (the write will tell then).
bool RoomFor(const std::wstring& folder, std::uint64_t bytes);

// What the rest of the download needs on the disk, at the first report that knows how
// much is to come: the file's remaining bytes, and a range's own file besides until it
// is appended.
std::uint64_t RoomNeeded(const TransferRequest& request, std::uint32_t progressMax);
