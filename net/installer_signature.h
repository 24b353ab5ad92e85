#pragma once
#include <windows.h>

#include <string>

// What WinVerifyTrust said of a file's Authenticode signature, and the simple display
// name of the signer whose signature it verified (empty when it verified none).
struct InstallerSignature {
    HRESULT trust = E_FAIL;
    std::wstring signer;
};

// Checks the signature of the file at `path`: WinVerifyTrust with
// WINTRUST_ACTION_GENERIC_VERIFY_V2, no user interface and no revocation lookup (an
// offline machine must still be able to upgrade, and nothing may hang the wizard on the
// network). wintrust.dll and crypt32.dll, present since Windows XP, are loaded from the
// system folder for the check only; when one of them or of their functions is missing,
// `trust` carries the error.
InstallerSignature ReadInstallerSignature(const wchar_t* path);

// The verification's second half, after the MD5 matched: true when the installer at
// `path` is not signed by the publisher this program was built with
// (TIDEWELL_INSTALLER_PUBLISHER). Always false in a build without the check (NONE).
bool InstallerLacksPinnedSignature(const std::wstring& path);
