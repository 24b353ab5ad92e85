#include <gtest/gtest.h>

#include <cstdint>

#include "net/signature_rules.h"

namespace {
constexpr const wchar_t* kPublisher = L"Tidewell Test Publisher";

// WinVerifyTrust's answers, as winerror.h defines them (this test builds without it).
struct TrustCode {
    const char* name;
    std::uint32_t value;
};
constexpr TrustCode kRefusals[] = {
    {"TRUST_E_NOSIGNATURE", 0x800B0100},
    {"TRUST_E_BAD_DIGEST", 0x80096010},
    {"CERT_E_UNTRUSTEDROOT", 0x800B0109},
    {"CERT_E_CHAINING", 0x800B010A},
    {"TRUST_E_SUBJECT_NOT_TRUSTED", 0x800B0004},
    {"TRUST_E_EXPLICIT_DISTRUST", 0x800B0111},
    {"CERT_E_EXPIRED", 0x800B0101},
    {"CERT_E_REVOKED", 0x800B010C},
    {"CRYPT_E_SECURITY_SETTINGS", 0x80092026},
    {"TRUST_E_PROVIDER_UNKNOWN", 0x800B0001},
    {"ERROR_MOD_NOT_FOUND", 0x8007007E},
    {"E_FAIL", 0x80004005},
    {"a positive non-zero LONG", 1},
};

bool Damaged(std::uint32_t trust, const wchar_t* signer, const wchar_t* pinned = kPublisher) {
    return SignatureCallsForFreshDownload(static_cast<std::int32_t>(trust), signer, pinned);
}
} // namespace

// Under Wine an untrusted root still verifies, so this is where a refused chain is
// shown to count as damage: whatever name the signature carries, only success passes.
TEST(SignatureCallsForFreshDownload, EveryRefusalIsDamageEvenWithThePinnedName) {
    EXPECT_FALSE(Damaged(0, kPublisher));
    for (const TrustCode& code : kRefusals) {
        SCOPED_TRACE(code.name);
        EXPECT_TRUE(Damaged(code.value, kPublisher));
        EXPECT_TRUE(Damaged(code.value, L""));
    }
}

TEST(SignatureCallsForFreshDownload, AVerifiedSignatureMustNameThePublisherExactly) {
    EXPECT_TRUE(Damaged(0, L"Tidewell Other Publisher"));
    EXPECT_TRUE(Damaged(0, L""));
    EXPECT_TRUE(Damaged(0, L"tidewell test publisher"));
    EXPECT_TRUE(Damaged(0, L"Tidewell Test Publisher "));
    EXPECT_TRUE(Damaged(0, L"Tidewell Test"));
    EXPECT_TRUE(Damaged(0, L"Tidewell Test Publisher Ltd"));
    // An empty pin never accepts a certificate without a name.
    EXPECT_TRUE(Damaged(0, L"", L""));
    // Names outside ASCII compare unit by unit, like any other.
    EXPECT_FALSE(Damaged(0, L"\u6f6e\u6c50\u8f6f\u4ef6", L"\u6f6e\u6c50\u8f6f\u4ef6"));
    EXPECT_TRUE(Damaged(0, L"\u6f6e\u6c50\u8f6f\u4ef6", L"\u6f6e\u6c50\u8f6f"));
}
