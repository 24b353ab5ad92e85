#include "net/install_answer.h"

#include <algorithm>

#include "net/download_rules.h"

namespace {
constexpr std::string_view kExe = ".exe";
constexpr std::string_view kMd5Key = "\"md5\"";

bool IsJsonSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::size_t SkipSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && IsJsonSpace(text[at])) {
        ++at;
    }
    return at;
}

// Where the address begins: the earlier of "http:" and "https:", else the start.
std::size_t AddressStart(std::string_view answer) {
    const std::size_t plain = answer.find("http:");
    const std::size_t secure = answer.find("https:");
    const std::size_t first = std::min(plain, secure);
    return first == std::string_view::npos ? 0 : first;
}

// The string value of the first "md5" member in `text`, if it has one.
bool FindMd5Value(std::string_view text, std::string_view& value) {
    for (std::size_t key = text.find(kMd5Key); key != std::string_view::npos;
         key = text.find(kMd5Key, key + 1)) {
        std::size_t at = SkipSpace(text, key + kMd5Key.size());
        if (at >= text.size() || text[at] != ':') {
            continue; // "md5" as a value or inside another string, not a member name
        }
        at = SkipSpace(text, at + 1);
        if (at >= text.size() || text[at] != '"') {
            return false; // the member exists but holds no string
        }
        const std::size_t close = text.find('"', at + 1);
        if (close == std::string_view::npos) {
            return false; // cut off before its closing quote
        }
        value = text.substr(at + 1, close - at - 1);
        return true;
    }
    return false;
}
} // namespace

InstallAnswer ParseInstallAnswer(std::string_view answer) {
    InstallAnswer result;
    const std::string_view text = answer.substr(AddressStart(answer));
    const std::size_t exe = text.find(kExe);
    if (exe == std::string_view::npos) {
        return result;
    }
    const std::size_t addressLength = exe + kExe.size();
    result.address.assign(text.substr(0, addressLength));

    std::string_view value;
    if (FindMd5Value(text.substr(addressLength), value)) {
        result.hasChecksum = true;
        result.checksum = ToUpperAscii(value);
    }
    return result;
}
