// libFuzzer target for the two answer readers. Besides not crashing, every input
// must keep the promises the readers make, and an answer rebuilt from the input in
// the service's exact format must read the same as by position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/image_list.h"
#include "net/install_answer.h"
#include "positional_install_rules.h"

namespace {
void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckInstallAnswer(std::string_view input) {
    const InstallAnswer answer = ParseInstallAnswer(input);
    if (answer.address.empty()) {
        Check(!answer.hasChecksum);
        return;
    }
    Check(answer.address.size() >= 4 && answer.address.ends_with(".exe"));
    Check(input.find(answer.address) != std::string_view::npos);
    for (char c : answer.checksum) {
        Check(c != '"' && !(c >= 'a' && c <= 'z'));
    }
}

// {"url":"http://<path>.exe","size":N,"md5":"<hex>"} with path and digest drawn from
// the input, in the exact format the service answers.
void CheckServiceFormat(std::string_view input) {
    static constexpr char kPathChars[] = "abcdefghijklmnopqrstuvwxyzABCDEF0123456789/._-?=&";
    static constexpr char kHex[] = "0123456789abcdefABCDEF";
    const std::size_t split =
        input.empty() ? 0 : static_cast<unsigned char>(input[0]) % (input.size() + 1);
    std::string path, digest;
    for (std::size_t i = 0; i < split && i < input.size(); ++i) {
        path.push_back(kPathChars[static_cast<unsigned char>(input[i]) % (sizeof(kPathChars) - 1)]);
    }
    for (std::size_t i = split; i < input.size(); ++i) {
        digest.push_back(kHex[static_cast<unsigned char>(input[i]) % (sizeof(kHex) - 1)]);
    }
    const std::string address = "http://h/" + path + ".exe";
    if (address.find("md5") != std::string::npos) {
        return; // the address then holds the marker: not the service's format
    }
    const std::string answer =
        "{\"url\":\"" + address + "\",\"size\":1,\"md5\":\"" + digest + "\"}";
    const InstallAnswer mine = ParseInstallAnswer(answer);
    const InstallAnswer positional = PositionalParse(answer);
    Check(mine.address == positional.address);
    Check(mine.hasChecksum == positional.hasChecksum);
    Check(mine.checksum == positional.checksum);
}

void CheckImageList(std::string_view input) {
    std::wstring list;
    for (char c : input) {
        list.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    const std::vector<std::wstring> addresses =
        SplitImageList(list, [] { return std::wstring(L"?q"); });
    if (list.size() > kImageListMaxChars) {
        Check(addresses.empty());
        return;
    }
    std::size_t separators = 0;
    for (wchar_t c : list) {
        separators += c == L';';
    }
    Check(addresses.size() == separators + 1);
    std::wstring joined;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        Check(addresses[i].ends_with(L"?q"));
        joined += addresses[i].substr(0, addresses[i].size() - 2);
        if (i + 1 < addresses.size()) {
            joined += L';';
        }
    }
    Check(joined == list);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckInstallAnswer(input);
    CheckServiceFormat(input);
    CheckImageList(input);
    return 0;
}
