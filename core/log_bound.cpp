#include "core/log_bound.h"

namespace {
constexpr std::string_view kLostPrefix = "# lost ";
}

bool PassesBound(std::size_t size, std::size_t adding) {
    return size + adding > kSupportLogBound;
}

std::size_t NewerPartStart(std::string_view text, std::size_t keep) {
    if (text.size() <= keep) {
        return 0;
    }
    const std::size_t from = text.size() - keep;
    if (text[from - 1] == '\n') {
        return from;
    }
    const std::size_t end = text.find('\n', from);
    return end == std::string_view::npos ? text.size() : end + 1;
}

std::string LostLinesNote(std::size_t count) {
    return std::string(kLostPrefix) + std::to_string(count) + " lines";
}

bool IsLostLinesNote(std::string_view line) {
    return line.starts_with(kLostPrefix);
}
