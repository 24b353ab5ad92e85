#include "net/installer_signature.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "build_config.h"
#include "core/handles.h"
#include "core/run_time_link.h"
#include "net/signature_rules.h"

namespace {
// Longer than any name a code-signing certificate carries; a longer one cannot match.
constexpr DWORD kMaxSignerNameChars = 512;

using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
using ProvDataFromStateDataFn = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE);
using ProvSignerFromChainFn = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA*, DWORD, BOOL,
                                                            DWORD);
using CertGetNameStringWFn = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);

// The functions of the check, found at run time; usable only when all are.
struct TrustApi {
    TrustApi(HMODULE wintrust, HMODULE crypt32)
        : verify(LookUpFunction<WinVerifyTrustFn>(wintrust, "WinVerifyTrust")),
          providerData(
              LookUpFunction<ProvDataFromStateDataFn>(wintrust, "WTHelperProvDataFromStateData")),
          signer(LookUpFunction<ProvSignerFromChainFn>(wintrust, "WTHelperGetProvSignerFromChain")),
          certName(LookUpFunction<CertGetNameStringWFn>(crypt32, "CertGetNameStringW")) {}
    bool complete() const { return verify && providerData && signer && certName; }

    WinVerifyTrustFn verify;
    ProvDataFromStateDataFn providerData;
    ProvSignerFromChainFn signer;
    CertGetNameStringWFn certName;
};

// One WinVerifyTrust verification whose state is released again on every path.
class TrustVerification {
public:
    TrustVerification(const TrustApi& api, const wchar_t* path, HANDLE file) : api_(api) {
        file_.cbStruct = sizeof(file_);
        file_.pcwszFilePath = path;
        file_.hFile = file; // read through this handle: the file already checked, still held
        data_.cbStruct = sizeof(data_);
        data_.dwUIChoice = WTD_UI_NONE;
        // No CRL or OCSP fetch; where the system knows the flag, no other URL either.
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &file_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        result_ = api_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;
    ~TrustVerification() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        api_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }

    HRESULT result() const { return static_cast<HRESULT>(result_); }

    // The leaf certificate of the first signer, or null.
    PCCERT_CONTEXT SignerCertificate() const {
        if (data_.hWVTStateData == nullptr) {
            return nullptr;
        }
        CRYPT_PROVIDER_DATA* provider = api_.providerData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider ? api_.signer(provider, 0, FALSE, 0) : nullptr;
        if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr) {
            return nullptr;
        }
        return signer->pasCertChain[0].pCert;
    }

private:
    const TrustApi& api_;
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file_{};
    WINTRUST_DATA data_{};
    LONG result_ = 0;
};

std::wstring SimpleDisplayName(const TrustApi& api, PCCERT_CONTEXT certificate) {
    // The count includes the terminating NUL; 1 means no name.
    const DWORD needed =
        api.certName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (needed <= 1 || needed > kMaxSignerNameChars) {
        return {};
    }
    std::wstring name(needed, L'\0');
    const DWORD written =
        api.certName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), needed);
    if (written <= 1 || written > needed) {
        return {};
    }
    name.resize(written - 1);
    return name;
}
// What WinVerifyTrust said of the file's Authenticode signature, and the simple display
// name of the signer whose signature it verified (empty when it verified none).
struct InstallerSignature {
    HRESULT trust = E_FAIL;
    std::wstring signer;
};

// wintrust.dll and crypt32.dll, present since Windows XP, are loaded from the system
// folder for the check only; when one of them or of their functions is missing, `trust`
// carries the error.
InstallerSignature ReadInstallerSignature(const wchar_t* path, HANDLE file) {
    InstallerSignature signature;
    const ScopedLibrary wintrust = LoadSystemLibrary(L"wintrust.dll");
    const ScopedLibrary crypt32 = LoadSystemLibrary(L"crypt32.dll");
    if (!wintrust.valid() || !crypt32.valid()) {
        signature.trust = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        return signature;
    }
    const TrustApi api(wintrust.get(), crypt32.get());
    if (!api.complete()) {
        signature.trust = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
        return signature;
    }
    const TrustVerification verification(api, path, file);
    signature.trust = verification.result();
    if (signature.trust == S_OK) {
        if (const PCCERT_CONTEXT certificate = verification.SignerCertificate()) {
            signature.signer = SimpleDisplayName(api, certificate);
        }
    }
    return signature;
}
} // namespace

bool InstallerLacksPinnedSignature(const std::wstring& path, HANDLE file) {
    if constexpr (TIDEWELL_CHECK_INSTALLER_SIGNATURE == 0) {
        return false; // built with NONE: the check is left out on purpose
    } else {
        if (path.empty() || file == nullptr || file == INVALID_HANDLE_VALUE) {
            return true;
        }
        const InstallerSignature signature = ReadInstallerSignature(path.c_str(), file);
        return SignatureCallsForFreshDownload(signature.trust, signature.signer,
                                              TIDEWELL_INSTALLER_PUBLISHER);
    }
}
