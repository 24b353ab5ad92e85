#include "net/install_answer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include "net/ascii_case.h"

namespace {
constexpr std::string_view kExe = ".exe";
constexpr std::string_view kMd5Key = "\"md5\"";
constexpr std::size_t kDigestChars = 32;

// What an answer names, before it is checked: the address already as an installer
// address, the checksum as it stands.
struct Named {
    std::optional<std::string> address;
    std::optional<std::string> checksum;
};

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// What a URL may hold as it is: letters, digits, the marks and delimiters of URL
// syntax and escapes. Bytes beyond ASCII are text the client encodes on sending.
bool IsUrlCharacter(char c) {
    constexpr std::string_view kMarks = "-._~:/?#[]@!$&'()*+,;=%";
    return static_cast<unsigned char>(c) >= 0x80 || IsAsciiAlnum(c) ||
           kMarks.find(c) != std::string_view::npos;
}

std::optional<std::string> InstallerAddress(std::string_view text) {
    if (!std::all_of(text.begin(), text.end(), IsUrlCharacter)) {
        return std::nullopt;
    }
    std::string_view scheme;
    for (std::string_view known : {std::string_view("http://"), std::string_view("https://")}) {
        if (EqualsIgnoringAsciiCase<char>(text.substr(0, known.size()), known)) {
            scheme = known;
        }
    }
    if (scheme.empty()) {
        return std::nullopt;
    }
    // A fragment never reaches the server, and a "?" inside it starts no query.
    const std::string_view rest = text.substr(scheme.size(), text.find('#') - scheme.size());
    const std::size_t pathStart = rest.find_first_of("/?");
    if (pathStart == 0 || pathStart == std::string_view::npos || rest[pathStart] != '/') {
        return std::nullopt; // no host, or no path
    }
    const std::string_view path = rest.substr(pathStart, rest.find('?') - pathStart);
    if (path.size() < kExe.size() ||
        !EqualsIgnoringAsciiCase<char>(path.substr(path.size() - kExe.size()), kExe)) {
        return std::nullopt;
    }
    return std::string(scheme) + std::string(rest);
}

bool IsDigest(std::string_view text) {
    return text.size() == kDigestChars && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f');
           });
}

// The parse events of a JSON text, keeping what the members of the top-level object
// name. Stops the parse as soon as the text turns out not to be an object.
class TopLevelMembers {
public:
    using SizeType = rapidjson::SizeType;

    bool Null() { return Scalar(nullptr); }
    bool Bool(bool) { return Scalar(nullptr); }
    bool Int(int) { return Scalar(nullptr); }
    bool Uint(unsigned) { return Scalar(nullptr); }
    bool Int64(std::int64_t) { return Scalar(nullptr); }
    bool Uint64(std::uint64_t) { return Scalar(nullptr); }
    bool Double(double) { return Scalar(nullptr); }
    bool RawNumber(const char*, SizeType, bool) { return Scalar(nullptr); }
    bool String(const char* text, SizeType length, bool) {
        const std::string_view value(text, length);
        return Scalar(&value);
    }
    bool Key(const char* text, SizeType length, bool) {
        if (depth_ == 1) {
            key_.assign(text, length);
        }
        return true;
    }
    bool StartObject() {
        if (depth_ == 1) {
            EndMember(nullptr);
        }
        ++depth_;
        return true;
    }
    bool StartArray() {
        if (depth_ == 0) {
            return false;
        }
        if (depth_ == 1) {
            EndMember(nullptr);
        }
        ++depth_;
        return true;
    }
    bool EndObject(SizeType) {
        --depth_;
        return true;
    }
    bool EndArray(SizeType) {
        --depth_;
        return true;
    }

    const Named& named() const { return named_; }

private:
    // A scalar value; `text` when it is a string.
    bool Scalar(const std::string_view* text) {
        if (depth_ == 0) {
            return false; // the answer is a lone value, not an object
        }
        if (depth_ == 1) {
            EndMember(text);
        }
        return true;
    }

    // A value directly inside the top-level object: the member named by key_ is whole.
    void EndMember(const std::string_view* text) {
        if (key_ == "md5" && !md5Seen_) {
            md5Seen_ = true; // only the first counts, whatever it holds
            if (text) {
                named_.checksum.emplace(*text);
            }
        }
        if (text && !named_.address) {
            named_.address = InstallerAddress(*text);
        }
    }

    std::size_t depth_ = 0;
    std::string key_;
    bool md5Seen_ = false;
    Named named_;
};

// What a JSON object names, or nothing when `answer` is not one. Numbers are only
// checked, never converted (which keeps the conversion code out of the exe), and the
// parse keeps its state on the heap, so any nesting the answer's size allows is read
// without deep recursion.
std::optional<Named> ReadJsonObject(std::string_view answer) {
    rapidjson::MemoryStream stream(answer.data(), answer.size());
    TopLevelMembers members;
    rapidjson::Reader reader;
    constexpr unsigned kFlags =
        rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
    if (reader.Parse<kFlags>(stream, members).IsError()) {
        return std::nullopt;
    }
    return members.named();
}

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
std::optional<std::string> FindMd5Value(std::string_view text) {
    for (std::size_t key = text.find(kMd5Key); key != std::string_view::npos;
         key = text.find(kMd5Key, key + 1)) {
        std::size_t at = SkipSpace(text, key + kMd5Key.size());
        if (at >= text.size() || text[at] != ':') {
            continue; // "md5" as a value or inside another string, not a member name
        }
        at = SkipSpace(text, at + 1);
        if (at >= text.size() || text[at] != '"') {
            return std::nullopt; // the member exists but holds no string
        }
        const std::size_t close = text.find('"', at + 1);
        if (close == std::string_view::npos) {
            return std::nullopt; // cut off before its closing quote
        }
        return std::string(text.substr(at + 1, close - at - 1));
    }
    return std::nullopt;
}

// What an answer of any other kind names by the positions of its markers.
Named ReadByPosition(std::string_view answer) {
    Named named;
    const std::string_view text = answer.substr(AddressStart(answer));
    const std::size_t exe = text.find(kExe);
    if (exe == std::string_view::npos) {
        return named;
    }
    const std::size_t addressLength = exe + kExe.size();
    named.address = InstallerAddress(text.substr(0, addressLength));
    named.checksum = FindMd5Value(text.substr(addressLength));
    return named;
}
} // namespace

InstallAnswer ParseInstallAnswer(std::string_view answer) {
    answer = answer.substr(0, answer.find('\0'));
    std::optional<Named> named = ReadJsonObject(answer);
    if (!named) {
        named = ReadByPosition(answer);
    }
    InstallAnswer result;
    if (!named->address) {
        return result;
    }
    result.address = *named->address;
    if (named->checksum && IsDigest(*named->checksum)) {
        result.hasChecksum = true;
        result.checksum = ToUpperAscii(*named->checksum);
    }
    return result;
}
