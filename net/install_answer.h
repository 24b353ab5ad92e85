#pragma once
#include <string>
#include <string_view>

// What the Update service's installer answer tells: where the installer lies and,
// when the answer carries one, the digest it must have.
struct InstallAnswer {
    std::string address;      // an installer address (below); empty: none
    bool hasChecksum = false; // false: keep whatever digest was announced before
    std::string checksum;     // 32 upper-case hexadecimal digits when hasChecksum
};

// Reads an installer answer such as
//   {"url":"http://host/files/LumoSetup.exe","size":123,"md5":"0123...CDEF"}
//
// An answer that is a JSON object is read by its members: the address is the first
// top-level member value (escapes decoded) that is an installer address, the checksum
// the top-level "md5" member's value. Any other answer is read by position, as such
// answers always were: the address is the text from the first "http:" or "https:"
// through the first ".exe" after it, the checksum the string value of the first "md5"
// member after the address.
//
// An installer address is "http://" or "https://" (the scheme in any case, given back
// in lower case), a host and a path ending in ".exe" (in any case), then its query if
// it has one; a fragment, which never reaches the server, is dropped. It holds no
// character that a URL never holds unencoded (controls, blanks, quotes and the like;
// bytes beyond ASCII are left to the client to encode). An address found that is not
// one gives neither address nor checksum; a checksum other than 32 hexadecimal digits
// counts as none. Like the text it arrives as, the answer ends at its first NUL.
InstallAnswer ParseInstallAnswer(std::string_view answer);
