#include "net/transfer_request.h"

#include <wininet.h>
#include <process.h>

#include <cstring>

#include "core/app_object.h"
#include "core/working_paths.h"
#include "net/download_attempts.h"
#include "net/http_headers.h"
#include "net/range_rules.h"

namespace {
constexpr DWORD kWatchIntervalMs = 500;
constexpr UINT kLookAtTransfer = WM_APP + 1;
constexpr wchar_t kMailboxClass[] = L"TidewellTransferWatch";

thread_local TransferRequest request;

bool MachineIsOnline() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

// Runs on the attempt's thread: the binding is aborted on the thread it belongs to. A
// stop asked for (cancel, offline, quit) or a newer attempt ends the transfer at once
// instead of at its next report, which a stalled connection never sends.
void LookAtTransfer() {
    TransferRequest& r = request;
    if (r.binding == nullptr) {
        return;
    }
    const bool replacedOrStopped = !AttemptMayGoOn(AttemptOfThisThread());
    const bool silent = !replacedOrStopped && GetTickCount() - r.lastByteAt >= kSilentTransferMs &&
                        MachineIsOnline(); // offline, the watchdog's report stops it
    if (!replacedOrStopped && !silent) {
        return;
    }
    r.gaveUpSilent = silent;
    IBinding* binding = r.binding;
    binding->AddRef(); // Abort may end the binding, and OnStopBinding release it
    binding->Abort();
    binding->Release();
}

LRESULT CALLBACK MailboxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kLookAtTransfer) {
        LookAtTransfer();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeMailbox() {
    static const bool registered = [] {
        WNDCLASSW mailbox{};
        mailbox.lpfnWndProc = MailboxProc;
        mailbox.hInstance = GetModuleHandleW(nullptr);
        mailbox.lpszClassName = kMailboxClass;
        return RegisterClassW(&mailbox) != 0;
    }();
    if (!registered) {
        return nullptr;
    }
    return CreateWindowExW(0, kMailboxClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

struct WatcherArguments {
    HWND mailbox;
    HANDLE stop;
};

// Asks the attempt's thread to look at its transfer, twice a second, until told to stop;
// SendNotifyMessage does not wait for it.
unsigned __stdcall Watcher(void* argument) {
    const WatcherArguments arguments = *static_cast<WatcherArguments*>(argument);
    delete static_cast<WatcherArguments*>(argument);
    while (WaitForSingleObject(arguments.stop, kWatchIntervalMs) == WAIT_TIMEOUT) {
        SendNotifyMessageW(arguments.mailbox, kLookAtTransfer, 0, 0);
    }
    return 0;
}

// Copies `text` into memory the caller frees with CoTaskMemFree.
LPWSTR TaskMemCopy(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), bytes);
    }
    return copy;
}
} // namespace

TransferRequest& ThisThreadsRequest() {
    return request;
}

TransferWatch::TransferWatch() : mailbox_(MakeMailbox()) {
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (mailbox_ == nullptr || stop_ == nullptr) {
        return; // unwatched: a transfer still ends at its next report, as it always did
    }
    auto* arguments = new WatcherArguments{mailbox_, stop_};
    watcher_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Watcher, arguments, 0, nullptr));
    if (watcher_ == nullptr) {
        delete arguments;
    }
}

TransferWatch::~TransferWatch() {
    if (watcher_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(watcher_, INFINITE); // it only waits on the event and notifies
        CloseHandle(watcher_);
    }
    if (stop_ != nullptr) {
        CloseHandle(stop_);
    }
    if (mailbox_ != nullptr) {
        DestroyWindow(mailbox_);
    }
}

void BeginTransferRequest(std::wstring extraHeaders, std::uint64_t offset, std::uint64_t wholeTotal,
                          std::wstring folder) {
    request = TransferRequest{};
    request.extraHeaders = std::move(extraHeaders);
    request.offset = offset;
    request.wholeTotal = wholeTotal;
    request.folder = std::move(folder);
    request.lastByteAt = GetTickCount();
}

std::uint64_t RoomNeeded(const TransferRequest& r, std::uint32_t progressMax) {
    const std::uint64_t total = r.wholeTotal != 0 ? r.wholeTotal : r.offset + progressMax;
    const std::uint64_t rest = total > r.offset ? total - r.offset : 0;
    return r.status == 206 ? rest + progressMax : rest;
}

bool RoomFor(const std::wstring& folder, std::uint64_t bytes) {
    ULARGE_INTEGER available{};
    if (folder.empty() || !GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        return true; // not known: the write will tell
    }
    return available.QuadPart >= bytes;
}

HRESULT VBindCallback::OnStartBinding(DWORD, IBinding* binding) {
    TransferRequest& r = request;
    if (binding != nullptr && r.binding == nullptr) {
        binding->AddRef();
        r.binding = binding;
        r.lastByteAt = GetTickCount();
    }
    return S_OK;
}

HRESULT VBindCallback::OnStopBinding(HRESULT, LPCWSTR) {
    TransferRequest& r = request;
    if (r.binding != nullptr) {
        r.binding->Release();
        r.binding = nullptr;
    }
    return S_OK;
}

// Where the binding asks: no copy in the cache, and never an old one from it (Wine keeps
// its own copy whatever is asked; Windows follows these).
HRESULT VBindCallback::GetBindInfo(DWORD* bindFlags, BINDINFO*) {
    if (bindFlags != nullptr) {
        *bindFlags |= BINDF_NOWRITECACHE | BINDF_GETNEWESTVERSION;
    }
    return S_OK;
}

HRESULT VBindCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) {
    if (additionalHeaders == nullptr) {
        return E_POINTER;
    }
    *additionalHeaders = nullptr;
    if (!request.extraHeaders.empty()) {
        *additionalHeaders = TaskMemCopy(request.extraHeaders);
        if (*additionalHeaders == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

HRESULT VBindCallback::OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR,
                                  LPWSTR* additionalRequestHeaders) {
    if (additionalRequestHeaders != nullptr) {
        *additionalRequestHeaders = nullptr;
    }
    TransferRequest& r = request;
    r.answered = true;
    r.status = responseCode;
    r.headers = responseHeaders != nullptr ? responseHeaders : L"";
    if (responseCode == 200) {
        r.offset = 0; // the whole file after all: progress counts from its start
        r.wholeTotal = 0;
    } else if (responseCode == 206 && r.wholeTotal == 0) {
        if (const auto value = HeaderValue(r.headers, L"content-range")) {
            if (const auto range = ParseContentRange(*value)) {
                r.wholeTotal = range->total;
            }
        }
    }
    return S_OK;
}
