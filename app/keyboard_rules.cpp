#include "app/keyboard_rules.h"

#include <algorithm>

#include "app/control_ids.h"
#include "core/pages.h"

namespace {
// Reading order of each page's controls. The agreement link belongs with the box: one
// agrees to what one can read.
constexpr int kAgreeRing[] = {ID_AGREE_CHECK, ID_AGREEMENT, ID_CHANGE_FOLDER, ID_START_INSTALL};
constexpr int kDownloadRing[] = {ID_CANCEL};
constexpr int kDoneRing[] = {ID_FINISH, ID_TENCENT_SHARE, ID_SINA_SHARE};

// `focus` is on the ring unless the ring is empty (ResolveKey puts it there).
int Step(std::span<const int> ring, int focus, bool forward) {
    const auto at = std::find(ring.begin(), ring.end(), focus);
    if (at == ring.end()) {
        return 0; // a page without controls to walk
    }
    const auto size = static_cast<std::ptrdiff_t>(ring.size());
    const std::ptrdiff_t index = at - ring.begin();
    return ring[static_cast<std::size_t>((index + (forward ? 1 : size - 1)) % size)];
}

// The page's main action, the default button of a wizard dialog.
int MainAction(int page, bool agreed) {
    if (page == PAGE_AGREE) {
        return agreed ? ID_START_INSTALL : 0;
    }
    return page == PAGE_DONE ? ID_FINISH : 0;
}
} // namespace

std::span<const int> FocusRing(int page) {
    switch (page) {
    case PAGE_AGREE:
        return kAgreeRing;
    case PAGE_DOWNLOAD:
    case PAGE_VERIFY: // the cancel link shows on both
        return kDownloadRing;
    case PAGE_DONE:
        return kDoneRing;
    default:
        return {};
    }
}

KeyOutcome ResolveKey(int page, int focus, WizardKey key, bool agreed) {
    const std::span<const int> ring = FocusRing(page);
    const bool onPage = std::find(ring.begin(), ring.end(), focus) != ring.end();
    if (!onPage) {
        focus = ring.empty() ? 0 : ring.front();
    }
    switch (key) {
    case WizardKey::Enter:
        return {MainAction(page, agreed), focus};
    case WizardKey::Escape: // whatever the close button does on this page
        return {ID_CLOSE, focus};
    case WizardKey::Tab:
        return {0, Step(ring, focus, true)};
    case WizardKey::ShiftTab:
        return {0, Step(ring, focus, false)};
    case WizardKey::Space:
        if (focus == ID_START_INSTALL && !agreed) {
            return {0, focus};
        }
        return {focus, focus};
    }
    return {0, focus};
}
