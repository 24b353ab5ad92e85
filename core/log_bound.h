#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The support log stays small: once a write would take it past its bound, only the newer
// half of it is kept, beginning at a whole line. Free of Windows, tested natively.
constexpr std::size_t kSupportLogBound = 256 * 1024;

// Adding `adding` bytes to a log of `size` bytes would take it past the bound: the log
// then keeps only its newer half, the added bytes included.
bool PassesBound(std::size_t size, std::size_t adding);

// Where the part of `text` to keep begins when at most `keep` bytes of it may stay: at
// the first line that begins within its last `keep` bytes (0 when all of it fits;
// text.size() when no line begins there).
std::size_t NewerPartStart(std::string_view text, std::size_t keep);

// The line that stands where lines were lost (the queue was full, or the file could not
// be written): whatever reads the log then knows it is not whole there.
std::string LostLinesNote(std::size_t count);
bool IsLostLinesNote(std::string_view line);
