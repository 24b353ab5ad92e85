#pragma once
#include <cstdint>
#include <string_view>

// The signature's verdict on a downloaded installer whose MD5 already matched. The MD5
// comes over the same plain channel as the file, so it proves nothing about origin;
// the installer is taken only when WinVerifyTrust accepted its Authenticode signature
// (`trustResult` 0) and the signer named in that signature is exactly the publisher
// pinned at build time (case and all). Any other result - no signature, a bad digest,
// an untrusted or broken chain, a policy refusal, an error - and any other or empty
// name calls for a fresh download, exactly like a digest that differs.
bool SignatureCallsForFreshDownload(std::int32_t trustResult, std::wstring_view signerName,
                                    std::wstring_view pinnedPublisher);
