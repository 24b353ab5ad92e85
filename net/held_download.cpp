#include "net/held_download.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include "core/file_size.h"
#include "core/handles.h"
#include "core/held_files.h"
#include "core/working_paths.h"
#include "net/download_attempts.h"

namespace {
constexpr DWORD kCopyChunk = 1 << 20;

struct HeldRecord {
    std::wstring address;
    HeldBytes bytes;
    std::uint64_t nextRange = kWholeRest;
    unsigned notSpliced = 0; // range answers that could not be spliced, since the last file
};

std::mutex heldLock; // guards `record` and the held file
HeldRecord record;

// After this many answers that could not be spliced the service's ranges are not used.
constexpr unsigned kNotSplicedBeforeWholeFiles = 2;

void StartAfreshLocked() {
    record.nextRange = kWholeRest;
    record.notSpliced = 0;
}

std::wstring HeldFile() {
    return HeldBytesFilePath(GetInstallerFilePath());
}

void ForgetLocked() {
    const std::wstring held = HeldFile();
    if (!held.empty()) {
        DeleteFileW(held.c_str());
    }
    record.bytes = HeldBytes{};
}

bool Seek(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != FALSE;
}

// The held file is not what the record says (deleted or cut behind our back): there is
// nothing to append to.
constexpr DWORD kHeldFileNotAsRecorded = ERROR_FILE_INVALID;

// Appends `length` bytes of `from` to `to` at `offset`; on any failure `to` is cut back
// to `offset` and the error is left in GetLastError. Past the start, `to` must exist and
// be exactly `offset` bytes long, checked under the handle that denies writing and
// deleting to others: a file recreated empty would make the rest a file of zeros.
bool AppendBytes(const std::wstring& from, const std::wstring& to, std::uint64_t offset,
                 std::uint64_t length) {
    const ScopedHandle source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source.valid()) {
        return false;
    }
    const ScopedHandle target(CreateFileW(to.c_str(), GENERIC_WRITE | GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, offset == 0 ? CREATE_ALWAYS : OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.valid()) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            SetLastError(kHeldFileNotAsRecorded);
        }
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(target.get(), &size)) {
        return false;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) != offset) {
        SetLastError(kHeldFileNotAsRecorded);
        return false;
    }
    if (!Seek(target.get(), offset)) {
        return false;
    }
    const auto giveUp = [&](DWORD error) {
        Seek(target.get(), offset);
        SetEndOfFile(target.get());
        SetLastError(error);
        return false;
    };
    std::vector<char> buffer(kCopyChunk);
    for (std::uint64_t copied = 0; copied < length;) {
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(kCopyChunk, length - copied));
        DWORD got = 0;
        if (!ReadFile(source.get(), buffer.data(), want, &got, nullptr)) {
            return giveUp(GetLastError());
        }
        if (got != want) {
            return giveUp(ERROR_HANDLE_EOF); // shorter than its length said
        }
        DWORD written = 0;
        if (!WriteFile(target.get(), buffer.data(), got, &written, nullptr) || written != got) {
            return giveUp(GetLastError());
        }
        copied += got;
    }
    return true;
}

// Makes `file` the held file. A scanner holds each new file for a moment: waited for, as
// placing the installer is, while `attempt` is current.
bool MoveOntoHeldFile(unsigned attempt, const std::wstring& file, const std::wstring& held) {
    return RetryWhileHeld(
        [&] { return MoveFileExW(file.c_str(), held.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; },
        [attempt] { return !AttemptIsCurrent(attempt); });
}
} // namespace

HeldBytes HeldBytesFor(const std::wstring& address) {
    std::lock_guard<std::mutex> guard(heldLock);
    if (record.address != address) {
        ForgetLocked();
        record.address = address;
        StartAfreshLocked();
    }
    if (record.bytes.count != 0 && FileSizeOf(HeldFile()) != record.bytes.count) {
        ForgetLocked(); // deleted or changed behind our back: nothing to go on from
    }
    return record.bytes;
}

bool AppendToHeldBytes(unsigned attempt, const std::wstring& address, const std::wstring& rangeFile,
                       std::uint64_t length, std::uint64_t total, const Validator& validator) {
    std::lock_guard<std::mutex> guard(heldLock);
    const std::wstring held = HeldFile();
    if (!AttemptIsCurrent(attempt) || address != record.address || held.empty()) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    const std::uint64_t offset = record.bytes.count;
    // The first range is the start of the held bytes as it is.
    const bool written =
        offset == 0 && FileSizeOf(rangeFile) == length
            ? MoveOntoHeldFile(attempt, rangeFile, held)
            : RetryWhileHeld([&] { return AppendBytes(rangeFile, held, offset, length); },
                             [attempt] { return !AttemptIsCurrent(attempt); });
    if (!written) {
        if (GetLastError() == kHeldFileNotAsRecorded) {
            ForgetLocked(); // from the start again, cleanly
            SetLastError(kHeldFileNotAsRecorded);
        }
        return false;
    }
    record.bytes.count = offset + length;
    record.bytes.total = total;
    record.bytes.validator = validator;
    return true;
}

bool HoldPrefix(unsigned attempt, const std::wstring& address, const std::wstring& file,
                std::uint64_t length, std::uint64_t total, const Validator& validator) {
    std::lock_guard<std::mutex> guard(heldLock);
    const std::wstring held = HeldFile();
    if (!AttemptIsCurrent(attempt) || address != record.address || held.empty() ||
        FileSizeOf(file) != length) {
        return false;
    }
    if (!MoveOntoHeldFile(attempt, file, held)) {
        return false;
    }
    record.bytes = HeldBytes{length, total, validator};
    return true;
}

void ForgetHeldBytes(unsigned attempt) {
    std::lock_guard<std::mutex> guard(heldLock);
    if (AttemptIsCurrent(attempt)) {
        ForgetLocked();
    }
}

bool PlaceHeldBytes(unsigned attempt, const std::wstring& workingFile) {
    std::lock_guard<std::mutex> guard(heldLock);
    if (record.bytes.count == 0 || record.bytes.count != record.bytes.total) {
        return false;
    }
    if (!PlaceAttemptFile(attempt, HeldFile(), workingFile)) {
        return false;
    }
    record.bytes = HeldBytes{};
    StartAfreshLocked(); // a download after this one asks for the whole file again
    return true;
}

void StartRangesAfresh() {
    std::lock_guard<std::mutex> guard(heldLock);
    StartAfreshLocked();
}

void NoteAnswerNotSpliced() {
    std::lock_guard<std::mutex> guard(heldLock);
    ++record.notSpliced;
}

bool RangesGivenUp() {
    std::lock_guard<std::mutex> guard(heldLock);
    return record.notSpliced >= kNotSplicedBeforeWholeFiles;
}

std::uint64_t NextRangeLength() {
    std::lock_guard<std::mutex> guard(heldLock);
    return record.nextRange;
}

void NoteRangeOutcome(std::uint64_t asked, bool cameWhole) {
    std::lock_guard<std::mutex> guard(heldLock);
    record.nextRange = NextRangeBytes(asked, cameWhole);
}
