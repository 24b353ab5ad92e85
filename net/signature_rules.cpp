#include "net/signature_rules.h"

bool SignatureCallsForFreshDownload(std::int32_t trustResult, std::wstring_view signerName,
                                    std::wstring_view pinnedPublisher) {
    if (trustResult != 0) {
        return true;
    }
    // An empty pin would otherwise accept a certificate without a name.
    return pinnedPublisher.empty() || signerName != pinnedPublisher;
}
