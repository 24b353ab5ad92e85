#include "service_client.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

namespace service {
namespace {
struct Internet {
    explicit Internet(HINTERNET h) : handle(h) {}
    Internet(const Internet&) = delete;
    Internet& operator=(const Internet&) = delete;
    ~Internet() {
        if (handle) {
            InternetCloseHandle(handle);
        }
    }
    HINTERNET handle;
};

// Every member `key` of the JSON objects in `json`, in order.
std::vector<std::string> AllMembers(const std::string& json, const std::string& key) {
    std::vector<std::string> values;
    const std::string marker = "\"" + key + "\": ";
    for (std::size_t at = json.find(marker); at != std::string::npos;
         at = json.find(marker, at + 1)) {
        std::size_t start = at + marker.size();
        if (start < json.size() && json[start] == '"') {
            const std::size_t close = json.find('"', start + 1);
            values.push_back(json.substr(start + 1, close - start - 1));
        } else {
            const std::size_t end = json.find_first_of(",}", start);
            values.push_back(json.substr(start, end - start));
        }
    }
    return values;
}

std::string LogOf(const std::string& path) {
    std::wstring widePath(path.begin(), path.end());
    return Control(L"log?path=" + widePath);
}
} // namespace

std::string Fetch(const std::wstring& pathAndQuery) {
    const std::wstring url = std::wstring(kBase) + pathAndQuery;
    Internet session(
        InternetOpenW(L"TidewellTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session.handle) {
        return {};
    }
    Internet request(InternetOpenUrlW(session.handle, url.c_str(), nullptr, 0,
                                      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0));
    if (!request.handle) {
        return {};
    }
    std::string body;
    char buffer[16384];
    DWORD got = 0;
    while (InternetReadFile(request.handle, buffer, sizeof buffer, &got) && got > 0) {
        body.append(buffer, got);
    }
    return body;
}

std::string Control(const std::wstring& commandAndQuery) {
    const std::string reply = Fetch(L"/_control/" + commandAndQuery);
    EXPECT_NE(reply.find("\"ok\": true"), std::string::npos)
        << "control " << std::string(commandAndQuery.begin(), commandAndQuery.end()) << ": "
        << reply;
    return reply;
}

void Reset() {
    Control(L"reset");
    Control(L"clear_log");
}

std::vector<std::string> LoggedQueries(const std::string& path) {
    return AllMembers(LogOf(path), "query");
}

std::vector<std::string> Logged(const std::string& path, const std::string& member) {
    return AllMembers(LogOf(path), member);
}

std::vector<std::string> LoggedEndings(const std::string& path) {
    return Logged(path, "ended");
}

std::string InstallerMd5Upper() {
    return JsonMember(Control(L"info"), "md5");
}

int StalledTransfers() {
    return std::stoi(JsonMember(Control(L"status"), "stalled"));
}

std::string JsonMember(const std::string& json, const std::string& key) {
    const std::vector<std::string> values = AllMembers(json, key);
    return values.empty() ? std::string() : values.front();
}

} // namespace service
