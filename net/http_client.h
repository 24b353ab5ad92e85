#pragma once
#include <string>

// Blocking HTTP GET of `address` (at most 127 characters); the body as narrow text,
// empty when WinINet, the connection or the request is unavailable. Worker threads only.
std::string HttpGetText(const wchar_t* address);
