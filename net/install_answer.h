#pragma once
#include <string>
#include <string_view>

// What the Update service's installer answer tells: where the installer lies and,
// when the answer carries one, the digest it must have.
struct InstallAnswer {
    std::string address;      // from "http:"/"https:" through the first ".exe"; empty: none
    bool hasChecksum = false; // false: keep whatever digest was announced before
    std::string checksum;     // the "md5" member's value, upper-cased
};

// Reads an installer answer such as
//   {"url":"http://host/files/LumoSetup.exe","size":123,"md5":"0123...CDEF"}
// The address is the text from the first "http:" or "https:" (from the start when
// neither occurs) through the first ".exe" after it; no ".exe" means neither address
// nor checksum. The checksum is the string value of the first "md5" member after the
// address, so bytes after the closing brace and an address that itself contains
// "md5" change nothing. An "md5" member without a complete string value counts as
// no checksum.
InstallAnswer ParseInstallAnswer(std::string_view answer);
