#pragma once
#include <string>

// The HTTP status of the last response for `url` as the WinINet cache recorded it
// (URL monikers fetch through that cache): 0 when the cache holds no entry or no
// headers for it, kHttpStatusUnreadable when their status line cannot be read.
// URLDownloadToFileW reports success for an error page it saved, so this is how a 404
// is told apart.
int CachedHttpStatus(const wchar_t* url);

// The raw header block of that response; empty when the cache holds none.
std::wstring CachedResponseHeaders(const wchar_t* url);
