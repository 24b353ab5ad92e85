#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a download goes on from the bytes an earlier attempt left, as browsers do it: the
// rest in byte ranges, each validated against the file the first answer described.
// Free of Windows, tested natively.

// What identifies one version of the installer: a strong ETag, or else Last-Modified.
struct Validator {
    std::wstring value;
    bool isEtag = false;

    bool operator==(const Validator&) const = default;
};

// The validator an answer offers for If-Range: its ETag when that is strong; its
// Last-Modified only when it sent no ETag at all and the date is strong, that is, at least
// a second before the answer's own Date (a file changed within the second it was served
// may change again unseen). Nothing otherwise, and then nothing is resumed.
std::optional<Validator> StrongValidator(std::wstring_view etag, std::wstring_view lastModified,
                                         std::wstring_view date);

// A decimal number that fills `text` and fits 64 bits (a header's value); nothing else.
std::optional<std::uint64_t> DecimalNumber(std::wstring_view text);

// "bytes FIRST-LAST/TOTAL", or "bytes */TOTAL" for a range that cannot be satisfied
// (`satisfiable` false, FIRST and LAST 0). Nothing for anything else: a total of "*",
// LAST before FIRST, numbers that overflow, trailing text.
struct ContentRange {
    bool satisfiable = true;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::uint64_t total = 0;
};
std::optional<ContentRange> ParseContentRange(std::wstring_view value);

// The bytes held from earlier attempts, and what they are part of.
struct HeldBytes {
    std::uint64_t count = 0;            // bytes 0..count-1 of the file are held
    std::uint64_t total = 0;            // the whole file's size as first announced; 0: unknown
    std::optional<Validator> validator; // of the version they belong to
};

// The length of the next request. While no transfer of the download has been cut, the
// whole rest in one request (kWholeRest): a good link goes as fast as it can. After a
// cut, bounded ranges: 1 MiB first; each that came whole doubles it up to 32 MiB, each
// that was cut halves it down to 256 KiB. So once the link has shown itself bad, a loss
// costs at most one range (where the system keeps nothing of a cut transfer).
constexpr std::uint64_t kWholeRest = 0;
constexpr std::uint64_t kFirstRangeBytes = 1 << 20;
constexpr std::uint64_t kLongestRangeBytes = 32 << 20;
constexpr std::uint64_t kShortestRangeBytes = 256 << 10;
std::uint64_t NextRangeBytes(std::uint64_t previous, bool cameWhole);

// The request headers that ask for `asked` bytes (or kWholeRest) after the bytes held,
// each line ending in CRLF (the last one too: the request's own headers follow);
// If-Range with their validator once there is one. Nothing at all for the whole file
// from nothing held: the plain request of a download without ranges.
std::wstring NextRequestHeaders(const HeldBytes& held, std::uint64_t asked);

// One answer to a range request, as read from its status and headers.
struct RangeAnswer {
    int status = 0;
    std::optional<ContentRange> range;  // Content-Range
    std::optional<Validator> validator; // its strong validator
    bool contentEncoded = false;        // decoded on the way: the counts are not the file's
};

enum class RangeVerdict {
    Append,     // the rest from `held.count` on, of the same file: append what arrives
    WholeFile,  // a whole new file (200): whatever was held is dropped
    StartAgain, // an answer that cannot be spliced: drop what is held, ask from 0
    Failed,     // an error answer: the attempt failed, what is held is kept
};

// Judges the answer to a request for the bytes from `held.count` on. A 206 is spliced
// only when it starts exactly at the bytes held, names the total first announced and
// carries the validator of the bytes held (a server may ignore If-Range and still answer
// 206); a first answer (nothing held) needs a strong validator to be resumable at all.
// A 416 is never taken for the end: the bytes held are less than the total first
// announced, so the file must have changed.
RangeVerdict JudgeRangeAnswer(const HeldBytes& held, const RangeAnswer& answer);

// What the progress bar is told of a range request's own progress: the bytes held before
// it plus its own count, against the whole file's total (its own maximum plus the offset
// while the total is not known yet; 0 before the transfer has a total). Clamped to the
// 32-bit values the window's message carries.
struct OverallProgress {
    std::uint32_t done;
    std::uint32_t total;
};
OverallProgress ProgressWithOffset(std::uint64_t offset, std::uint64_t wholeTotal,
                                   std::uint32_t progress, std::uint32_t progressMax);
