#pragma once
#include <string>
#include <string_view>

#include "net/install_answer.h"

// The installer answer read purely by position: the checksum is whatever lies between
// "md5" plus three characters and the last two characters of the answer. Kept for the
// tests only, to show that answers in the service's exact format read the same way
// with the member-based reading.
inline InstallAnswer PositionalParse(std::string_view answer) {
    InstallAnswer result;
    std::string_view text = answer;
    if (const std::size_t http = text.find("http:"); http != std::string_view::npos) {
        text.remove_prefix(http);
    }
    const std::size_t exe = text.find(".exe");
    if (exe == std::string_view::npos) {
        return result;
    }
    result.address.assign(text.substr(0, exe + 4));
    const std::size_t marker = text.find("md5");
    if (marker == std::string_view::npos) {
        return result;
    }
    std::string_view rest = text.substr(std::min(text.size(), marker + 6));
    rest.remove_suffix(std::min<std::size_t>(2, rest.size()));
    result.hasChecksum = true;
    for (char c : rest) {
        result.checksum.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c);
    }
    return result;
}
