#pragma once

// The HTTP status of the last response for `url` as the WinINet cache recorded it
// (URL monikers fetch through that cache), or 0 when it is unknown. URLDownloadToFileW
// reports success for an error page it saved, so this is how a 404 is told apart.
int CachedHttpStatus(const wchar_t* url);
