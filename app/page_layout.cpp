#include "app/page_layout.h"

#include <initializer_list>

namespace {
// One bit per page: bit n set = shown on page n.
constexpr unsigned Pages(std::initializer_list<int> pages) {
    unsigned bits = 0;
    for (int page : pages) {
        bits |= 1u << page;
    }
    return bits;
}

constexpr unsigned kAllPages = (1u << kPageCount) - 1;

// One row per control: kept as the layout table it is.
// clang-format off
constexpr unsigned kShownOn[kPageControlCount] = {
    kAllPages,                                                           // close
    Pages({PAGE_AGREE}),                                                 // install
    Pages({PAGE_AGREE}),                                                 // agreement checkbox
    Pages({PAGE_AGREE}),                                                 // agreement link
    Pages({PAGE_AGREE}),                                                 // change folder
    Pages({PAGE_DOWNLOAD, PAGE_VERIFY}),                                 // cancel
    Pages({PAGE_DOWNLOAD, PAGE_OFFLINE, PAGE_INSTALL, PAGE_REMOVE_OLD, PAGE_VERIFY}), // bar
    Pages({PAGE_DONE}),                                                  // finish
    Pages({PAGE_DONE}),                                                  // Tencent share
    Pages({PAGE_DONE}),                                                  // Sina share
    0,                                                                   // clean-up checkbox
    Pages({PAGE_OFFLINE}),                                               // retry banner
    Pages({PAGE_AGREE}),                                                 // folder label
    kAllPages,                                                           // minimize
};
// clang-format on

} // namespace

bool IsShownOnPage(PageControl control, int page) {
    if (control < 0 || control >= kPageControlCount || page < 0 || page >= kPageCount) {
        return false;
    }
    return (kShownOn[control] >> page) & 1u;
}
