#include "net/answer_text.h"

namespace {
// The smallest code point that needs each sequence length: anything less is overlong.
constexpr char32_t kLeastForLength[] = {0, 0, 0x80, 0x800, 0x10000};

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}
} // namespace

std::optional<std::wstring> Utf8ToUtf16(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 1;
        char32_t point = lead;
        if (lead > 0xF4) {
            return std::nullopt; // would start a code point past U+10FFFF
        }
        if (lead >= 0xF0) {
            length = 4;
            point = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            point = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            point = lead & 0x1F;
        } else if (lead >= 0x80) {
            return std::nullopt; // a continuation byte without its lead
        }
        if (text.size() - at < length) {
            return std::nullopt; // cut off
        }
        for (std::size_t i = 1; i < length; ++i) {
            const unsigned char next = static_cast<unsigned char>(text[at + i]);
            if (!IsContinuation(next)) {
                return std::nullopt;
            }
            point = (point << 6) | (next & 0x3F);
        }
        if (point < kLeastForLength[length] || point > 0x10FFFF ||
            (point >= 0xD800 && point <= 0xDFFF)) {
            return std::nullopt;
        }
        if (point < 0x10000) {
            wide.push_back(static_cast<wchar_t>(point));
        } else {
            point -= 0x10000;
            wide.push_back(static_cast<wchar_t>(0xD800 + (point >> 10)));
            wide.push_back(static_cast<wchar_t>(0xDC00 + (point & 0x3FF)));
        }
        at += length;
    }
    return wide;
}

std::optional<std::wstring> AnswerTextToUtf16(std::string_view text, std::size_t maxUnits,
                                              LegacyTextDecoder legacy) {
    std::optional<std::wstring> wide = Utf8ToUtf16(text);
    if (!wide) {
        return legacy(text, maxUnits);
    }
    if (wide->size() > maxUnits) {
        return std::nullopt;
    }
    return wide;
}
