// libFuzzer target for the readers of the service's answers and of the cache's status
// lines. Besides not crashing, every input must keep the promises the readers make,
// and an answer rebuilt from the input in the service's exact format must read the
// same as by position.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/answer_text.h"
#include "net/download_rules.h"
#include "net/http_date.h"
#include "net/http_headers.h"
#include "net/image_list.h"
#include "net/install_answer.h"
#include "net/range_rules.h"
#include "positional_install_rules.h"

namespace {
void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::wstring Widened(std::string_view bytes) {
    std::wstring wide;
    for (char c : bytes) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

// Stands for the ANSI code page: every byte one unit.
std::optional<std::wstring> Latin1(std::string_view text, std::size_t maxUnits) {
    if (text.size() > maxUnits) {
        return std::nullopt;
    }
    return Widened(text);
}

// UTF-8 of code points, the other way round from the decoder, to check it against.
void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (point >> 6)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

// UTF-16 back to UTF-8; nothing for a surrogate without its partner.
std::optional<std::string> Utf16ToUtf8(const std::wstring& wide) {
    std::string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t unit = static_cast<char32_t>(wide[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() &&
            static_cast<char32_t>(wide[i + 1]) >= 0xDC00 &&
            static_cast<char32_t>(wide[i + 1]) <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(wide[++i]) - 0xDC00);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            return std::nullopt;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

bool EndsWithExe(std::string_view text) {
    if (text.size() < 4) {
        return false;
    }
    std::string tail(text.substr(text.size() - 4));
    for (char& c : tail) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return tail == ".exe";
}

std::size_t Count(std::wstring_view text, wchar_t c) {
    std::size_t count = 0;
    for (wchar_t each : text) {
        count += each == c;
    }
    return count;
}

// The address as the download would ask for it: decoded by the answer text rule, the
// cache-busting query joined to any query of its own, within the length limit.
void CheckRequestedUrl(const std::string& address, std::uint32_t tick) {
    const std::optional<std::wstring> wide =
        AnswerTextToUtf16(address, kInstallerUrlMaxChars, Latin1);
    const std::optional<std::wstring> utf16 = Utf8ToUtf16(address);
    if (utf16) {
        Check(utf16->size() > kInstallerUrlMaxChars ? !wide : wide == utf16);
    } else {
        Check(wide == Latin1(address, kInstallerUrlMaxChars));
    }
    if (!wide) {
        return;
    }
    const std::wstring query = InstallerCacheBustQuery(*wide, tick);
    const std::optional<std::wstring> url = InstallerUrlWithin(*wide, query);
    if (!url) {
        Check(wide->size() + query.size() > kInstallerUrlMaxChars);
        return;
    }
    Check(url->size() <= kInstallerUrlMaxChars && *url == *wide + query);
    Check(Count(*url, L'?') == std::max<std::size_t>(1, Count(*wide, L'?')));
}

void CheckInstallAnswer(std::string_view input) {
    const InstallAnswer answer = ParseInstallAnswer(input);
    if (answer.hasChecksum) {
        Check(answer.checksum.size() == 32);
        for (char c : answer.checksum) {
            Check((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
        }
    } else {
        Check(answer.checksum.empty());
    }
    if (answer.address.empty()) {
        Check(!answer.hasChecksum);
        return;
    }
    const std::string& address = answer.address;
    Check(address.starts_with("http://") || address.starts_with("https://"));
    Check(address.find_first_of("\"# \r\n") == std::string::npos);
    Check(EndsWithExe(std::string_view(address).substr(0, address.find('?'))));
    const std::uint32_t tick = static_cast<std::uint32_t>(input.size() * 2654435761u);
    CheckRequestedUrl(address, tick);
}

// {"url":"http://<host>/<path>.exe","size":N,"md5":"<32 hex>"} with host, path and
// digest drawn from the input, in the exact format the service answers.
void CheckServiceFormat(std::string_view input) {
    static constexpr char kPathChars[] = "abcdefghijklmnopqrstuvwxyzABCDEF0123456789/._-=&:";
    static constexpr char kHex[] = "0123456789abcdefABCDEF";
    std::string digest;
    for (std::size_t i = 0; i < 32; ++i) {
        const unsigned char byte = i < input.size() ? static_cast<unsigned char>(input[i]) : 0;
        digest.push_back(kHex[byte % (sizeof(kHex) - 1)]);
    }
    std::string path;
    for (std::size_t i = 32; i < input.size(); ++i) {
        path.push_back(kPathChars[static_cast<unsigned char>(input[i]) % (sizeof(kPathChars) - 1)]);
    }
    const std::string address = "http://h/" + path + ".exe";
    if (address.find("md5") != std::string::npos || address.find(".exe") + 4 != address.size()) {
        return; // the address then holds a marker: not the service's format
    }
    const std::string answer = "{\"url\":\"" + address +
                               "\",\"size\":" + std::to_string(input.size()) + ",\"md5\":\"" +
                               digest + "\"}";
    const InstallAnswer mine = ParseInstallAnswer(answer);
    const InstallAnswer positional = PositionalParse(answer);
    Check(mine.address == positional.address);
    Check(mine.hasChecksum == positional.hasChecksum);
    Check(mine.checksum == positional.checksum);
}

void CheckUtf8(std::string_view input) {
    // Whatever is taken for UTF-8 is exactly the UTF-8 of what it decoded to.
    if (const std::optional<std::wstring> decoded = Utf8ToUtf16(input)) {
        Check(Utf16ToUtf8(*decoded) == std::string(input));
    }
    // And every UTF-8 text is taken: code points drawn from the input, three bytes each.
    std::string text;
    std::u32string points;
    for (std::size_t i = 0; i + 3 <= input.size(); i += 3) {
        char32_t point = ((static_cast<unsigned char>(input[i]) << 16) |
                          (static_cast<unsigned char>(input[i + 1]) << 8) |
                          static_cast<unsigned char>(input[i + 2])) %
                         0x110000;
        if (point >= 0xD800 && point <= 0xDFFF) {
            point -= 0xD800; // no surrogates in UTF-8
        }
        AppendUtf8(text, point);
        points.push_back(point);
    }
    const std::optional<std::wstring> decoded = Utf8ToUtf16(text);
    Check(decoded.has_value());
    std::size_t at = 0;
    for (char32_t point : points) {
        const std::size_t units = point < 0x10000 ? 1 : 2;
        Check(at + units <= decoded->size());
        if (units == 1) {
            Check(static_cast<char32_t>((*decoded)[at]) == point);
        }
        at += units;
    }
    Check(at == decoded->size() && Utf16ToUtf8(*decoded) == text);
}

void CheckStatusLine(std::string_view input) {
    const std::wstring headers = Widened(input);
    const int status = HttpStatusFromHeaders(headers);
    if (status != kHttpStatusUnreadable) {
        Check(status >= 100 && status <= 999 && headers.starts_with(L"HTTP/"));
        const std::wstring line = headers.substr(0, headers.find_first_of(L"\r\n"));
        const std::wstring code = std::to_wstring(status);
        Check(line.find(L' ' + code) != std::wstring::npos ||
              line.find(L'\t' + code) != std::wstring::npos);
    }
    // Only the first line counts: one that is not a status line makes any status unread.
    Check(HttpStatusFromHeaders(L"HTTP/1.1\r\n" + headers) == kHttpStatusUnreadable);
    // A status line with blanks and three digits drawn from the input reads those digits.
    if (input.size() >= 3) {
        std::wstring digits;
        for (std::size_t i = 0; i < 3; ++i) {
            digits.push_back(
                static_cast<wchar_t>(L'0' + static_cast<unsigned char>(input[i]) % 10));
        }
        const std::wstring blank = (input[0] & 1) ? L"\t" : L"  ";
        const int expected = std::stoi(digits);
        Check(HttpStatusFromHeaders(L"HTTP/1.1" + blank + digits + L" " + headers.substr(3)) ==
              (expected >= 100 ? expected : kHttpStatusUnreadable));
    }
    // A content encoding is named by a header line of its own, whatever else the block holds.
    const bool encoded = HeadersNameContentEncoding(headers);
    Check(!encoded || headers.find(L':') != std::wstring::npos);
    Check(HeadersNameContentEncoding(headers + L"\r\nContent-Encoding: gzip\r\n"));
    Check(HeadersNameContentEncoding(L"Content-Encoding: identity\r\n" + headers) == encoded);
}

void CheckImageList(std::string_view input) {
    const std::wstring list = Widened(input);
    const std::vector<std::wstring> addresses =
        SplitImageList(list, [] { return std::wstring(L"?q"); });
    if (list.size() > kImageListMaxChars) {
        Check(addresses.empty());
        return;
    }
    std::wstring joined;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        Check(addresses[i].ends_with(L"?q"));
        joined += addresses[i].substr(0, addresses[i].size() - 2);
        if (i + 1 < addresses.size()) {
            joined += L';';
        }
    }
    Check(addresses.size() == Count(list, L';') + 1);
    Check(joined == list);
}
} // namespace

// A range answer's headers as a server may send them: whatever Content-Range reads as
// holds together, a range is spliced only when it fits the bytes held exactly, and the
// request headers made from what was read end every line.
void CheckRangeAnswer(std::string_view input) {
    const std::wstring headers = Widened(input);
    const auto value = HeaderValue(headers, L"content-range");
    const std::optional<ContentRange> range = value ? ParseContentRange(*value) : std::nullopt;
    if (range && range->satisfiable) {
        Check(range->first <= range->last && range->last < range->total);
    }
    const auto validator = StrongValidator(HeaderValue(headers, L"etag").value_or(L""),
                                           HeaderValue(headers, L"last-modified").value_or(L""),
                                           HeaderValue(headers, L"date").value_or(L""));
    // A date read back is a date of the calendar: its day fits a 64-bit count.
    if (const auto date = ParseHttpDate(HeaderValue(headers, L"date").value_or(L""))) {
        Check(*date >= -62167219200 && *date <= 253402300800);
    }
    const HeldBytes held{range ? range->first : 0, range ? range->total : 0, validator};
    const RangeAnswer answer{206, range, validator, false};
    if (JudgeRangeAnswer(held, answer) == RangeVerdict::Append) {
        Check(range && range->satisfiable && range->first == held.count && validator);
    }
    if (range && range->satisfiable) {
        const std::wstring request = NextRequestHeaders(held, range->last - range->first + 1);
        Check(request.ends_with(L"\r\n") && request.starts_with(L"Range: bytes="));
    }
    if (const auto number = DecimalNumber(headers)) {
        Check(std::to_wstring(*number).size() <= headers.size());
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckInstallAnswer(input);
    CheckServiceFormat(input);
    CheckUtf8(input);
    CheckStatusLine(input);
    CheckImageList(input);
    CheckRangeAnswer(input);
    return 0;
}
