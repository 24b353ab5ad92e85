#pragma once
#include <string>

// What a blocking HTTP GET brought: the status (0: no answer at all), the response's
// header block (CRLF lines, ASCII) and the body as narrow text.
struct HttpTextAnswer {
    int status = 0;
    std::wstring headers;
    std::string body;
};

// Blocking HTTP GET of `address` (at most 127 characters); everything empty when
// WinINet, the connection or the request is unavailable, the body empty when it is
// oversized. Worker threads only.
HttpTextAnswer HttpGet(const wchar_t* address);

// Its body alone.
std::string HttpGetText(const wchar_t* address);
