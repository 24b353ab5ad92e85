#pragma once
#include <algorithm>
#include <string>
#include <string_view>

// Letter case of ASCII text (schemes, header names, hexadecimal digits); every other
// unit is left as it is.

template <typename Char> constexpr Char LowerAscii(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// Whether `text` equals `lower`, which is written in lower case, but for the case of
// its ASCII letters.
template <typename Char>
bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> text,
                             std::basic_string_view<Char> lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(),
                      [](Char a, Char b) { return LowerAscii(a) == b; });
}

inline std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}
