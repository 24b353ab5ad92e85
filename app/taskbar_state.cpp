#include "app/taskbar_state.h"

#include <algorithm>

#include "core/pages.h"

TaskbarState TaskbarStateFor(int page, int barPosition, bool failureNotice) {
    // Nothing has started on the agreement page, and all is done on the finish page.
    if (page == PAGE_AGREE || page == PAGE_DONE) {
        return TaskbarState{};
    }
    const auto done = static_cast<unsigned>(std::clamp(barPosition, 0, int{kTaskbarRange}));
    if (failureNotice) {
        return TaskbarState{TaskbarMark::Error, done};
    }
    if (page == PAGE_OFFLINE) {
        return TaskbarState{TaskbarMark::Paused, done};
    }
    return TaskbarState{TaskbarMark::Normal, done};
}
