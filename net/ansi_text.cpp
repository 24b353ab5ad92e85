#include "net/ansi_text.h"

#include <windows.h>

#include <climits>

std::optional<std::wstring> AnsiToWide(std::string_view ansi, std::size_t maxUnits) {
    if (ansi.empty()) {
        return std::wstring();
    }
    if (ansi.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int inLength = static_cast<int>(ansi.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, nullptr, 0);
    if (units <= 0 || static_cast<std::size_t>(units) > maxUnits) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, wide.data(), units);
    return wide;
}

std::string AnsiToUtf8(const std::string& ansi) {
    const std::optional<std::wstring> wide = AnsiToWide(ansi, static_cast<std::size_t>(INT_MAX));
    if (!wide || wide->empty()) {
        return {};
    }
    const int wideLength = static_cast<int>(wide->size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide->data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide->data(), wideLength, utf8.data(), bytes, nullptr, nullptr);
    // Like the text it came from, the result ends at its first NUL.
    utf8.resize(utf8.find('\0') == std::string::npos ? utf8.size() : utf8.find('\0'));
    return utf8;
}
