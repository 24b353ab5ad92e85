#pragma once
#include <string>

// The folder an earlier installation registered ("InstallPath" under the product's
// key in HKEY_CURRENT_USER). The new edition must go exactly there, so while it is
// registered the install folder cannot be changed (and the change-folder link shows it
// locked: the window hands it HasInstallPath to ask).

// True when "InstallPath" can be read (it fits 128 bytes); its type is not asked for.
bool HasInstallPath();
// The registered folder text; empty when it cannot be read.
std::wstring ReadInstallPath();
