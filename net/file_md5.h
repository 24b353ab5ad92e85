#pragma once
#include <string>

// MD5 of a file as 32 lower-case hex digits; empty when it cannot be computed
// (missing, empty or unreadable file, CryptoAPI failure). A file another process holds
// is waited for a while (see RetryWhileHeld): worker threads only.
std::string FileMd5Hex(const wchar_t* path);
