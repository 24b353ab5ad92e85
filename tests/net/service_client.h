#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The bundled Update service that winerun started for this test (on 127.0.0.1:18765
// inside the test's network namespace), reached through WinINet directly so the
// tests never depend on the client code they check.
namespace service {

constexpr const wchar_t* kBase = L"http://127.0.0.1:18765";

// GET of any address on the service; the whole body, empty when unreachable.
std::string Fetch(const std::wstring& pathAndQuery);

// A control command such as L"set?throttle=65536&times=1"; fails the test unless the
// service answers {"ok": true ...}.
std::string Control(const std::wstring& commandAndQuery);

// Knobs off, settings back to the start, stalled transfers released, log emptied.
void Reset();

// The raw query strings of the logged requests for `path`, oldest first.
std::vector<std::string> LoggedQueries(const std::string& path);
// How the logged requests for `path` ended ("complete", "client_gone", ...).
std::vector<std::string> LoggedEndings(const std::string& path);
// Member `member` ("range", "status", "bytes", ...) of each logged request for `path`.
std::vector<std::string> Logged(const std::string& path, const std::string& member);

// The installer the service currently serves.
std::string InstallerMd5Upper();

// Number of transfers held by a stall knob right now.
int StalledTransfers();

// The string or number member `key` of a flat JSON object, as text ("" if absent).
std::string JsonMember(const std::string& json, const std::string& key);

} // namespace service
