#pragma once
#include <windows.h>

#include <string>

// The verification's second half, after the MD5 matched: true when the installer at
// `path`, open for reading as `file`, is not signed by the publisher this program was
// built with (TIDEWELL_INSTALLER_PUBLISHER). WinVerifyTrust with
// WINTRUST_ACTION_GENERIC_VERIFY_V2 reads the signature and the digest through `file`,
// with no user interface and no revocation lookup (an offline machine must still be able
// to upgrade, and nothing may hang the wizard on the network). Always false in a build
// without the check (NONE).
bool InstallerLacksPinnedSignature(const std::wstring& path, HANDLE file);
