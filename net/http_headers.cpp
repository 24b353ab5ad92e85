#include "net/http_headers.h"

#include "net/ascii_case.h"

namespace {
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r';
}
} // namespace

std::wstring_view TrimHeaderBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::wstring_view> HeaderValues(std::wstring_view headers, std::wstring_view name) {
    std::vector<std::wstring_view> values;
    while (!headers.empty()) {
        const std::size_t end = headers.find(L'\n');
        const std::wstring_view line = headers.substr(0, end);
        headers.remove_prefix(end == std::wstring_view::npos ? headers.size() : end + 1);
        const std::size_t colon = line.find(L':');
        if (colon != std::wstring_view::npos &&
            EqualsIgnoringAsciiCase(TrimHeaderBlanks(line.substr(0, colon)), name)) {
            values.push_back(TrimHeaderBlanks(line.substr(colon + 1)));
        }
    }
    return values;
}

std::optional<std::wstring_view> HeaderValue(std::wstring_view headers, std::wstring_view name) {
    const std::vector<std::wstring_view> values = HeaderValues(headers, name);
    if (values.empty()) {
        return std::nullopt;
    }
    return values.front();
}
