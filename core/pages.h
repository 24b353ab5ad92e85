#pragma once

// The wizard's pages. `page` holds exactly one of these; nothing else is ever stored.
enum WizardPage : int {
    PAGE_AGREE = 0,      // agreement line and install folder; waiting for the start
    PAGE_DOWNLOAD = 1,   // downloading the installer
    PAGE_OFFLINE = 2,    // download paused while the machine is offline
    PAGE_INSTALL = 3,    // the new installer runs silently
    PAGE_DONE = 4,       // finished; share buttons
    PAGE_REMOVE_OLD = 5, // ending the old suite and uninstalling it, then installing
    PAGE_VERIFY = 6,     // the finished download waits for its digest check
};

constexpr int kPageCount = 7;
