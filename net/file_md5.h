#pragma once
#include <windows.h>

#include <functional>
#include <string>

// MD5 of a file as 32 lower-case hex digits; empty when it cannot be computed
// (missing, empty or unreadable file, CryptoAPI failure). A file another process holds
// is waited for a while (see RetryWhileHeld): worker threads only.
std::string FileMd5Hex(const wchar_t* path);

// The same of a file already open for reading, which stays open (and so unchanged, when
// it was opened denying writes) for whatever comes next. `stop` is asked between the
// 1 MiB views: when it says so, the digest is given up (empty).
std::string FileMd5HexOf(HANDLE file, const std::function<bool()>& stop);
