#include "net/installer_check.h"

#include <memory>
#include <string>

#include "core/app_object.h"
#include "core/held_files.h"
#include "core/held_installer.h"
#include "core/messages.h"
#include "core/worker_thread.h"
#include "core/working_file_users.h"
#include "core/working_paths.h"
#include "net/download_rules.h"
#include "net/file_md5.h"
#include "net/installer_signature.h"

namespace {
struct Verification {
    HWND window;
    unsigned attempt;
};

bool Quitting() {
    return GetApp()->quitRequested.load() != 0;
}

// Read access for us, read sharing only for others: while this handle is open nobody
// can write, replace or delete the file. A scanner that opened the new file for a moment
// is waited for.
ScopedHandle OpenAndHold(const std::wstring& path) {
    ScopedHandle file;
    if (path.empty()) {
        return file;
    }
    RetryWhileHeld(
        [&] {
            file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            return file.valid();
        },
        Quitting);
    return file;
}

// The digest against the announced one, then - the digest came over the same plain
// channel as the file - the maker's signature, both read through `file`.
bool FileIsTheInstaller(const std::wstring& path, HANDLE file) {
    const std::string digest = FileMd5HexOf(file, Quitting);
    if (DigestCallsForFreshDownload(digest, GetApp()->expectedMd5.Get())) {
        return false;
    }
    return !InstallerLacksPinnedSignature(path, file);
}

unsigned __stdcall VerifyInstallerThread(void* start) {
    const auto verification = TakeWorkerArgument<Verification>(start);
    try {
        bool good = false;
        {
            const WorkingFileUse use;
            const std::wstring path = GetInstallerFilePath();
            ScopedHandle file = OpenAndHold(path);
            good = file.valid() && FileIsTheInstaller(path, file.get());
            if (Quitting()) {
                return 0; // the file is let go here, and the program's end deletes it
            }
            if (good) {
                HoldVerifiedInstaller(verification->attempt, std::move(file));
            }
        }
        SendMessageW(verification->window, UM_INSTALLER_VERIFIED, good ? 0 : 1,
                     static_cast<LPARAM>(verification->attempt));
    } catch (...) {
        // Out of memory at worst: no verdict, and the wizard waits on its verify page,
        // where the user can still close.
    }
    return 0;
}
} // namespace

bool StartVerification(HWND window, unsigned attempt) {
    return StartWorkerWith(VerifyInstallerThread, Verification{window, attempt});
}
