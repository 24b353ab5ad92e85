#pragma once
#include <string>

// MD5 of a file as 32 lower-case hex digits; empty when it cannot be computed
// (missing, empty or unreadable file, CryptoAPI failure).
std::string FileMd5Hex(const wchar_t* path);
