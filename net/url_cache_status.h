#pragma once

// The last response for a URL as the WinINet cache recorded it (URL monikers fetch
// through that cache). URLDownloadToFileW reports success for an error page it saved,
// so this is how a 404 is told apart, and how a compressed transfer is recognised.
struct CachedResponse {
    int status = 0;              // 0: no entry or no headers; kHttpStatusUnreadable: no status line
    bool contentEncoded = false; // the headers name a content encoding
};
CachedResponse CachedResponseOf(const wchar_t* url);
