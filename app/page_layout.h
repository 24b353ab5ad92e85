#pragma once
#include "app/pages.h"

// The fourteen page-switched controls, in the order the page switch walks them.
enum PageControl : int {
    CONTROL_CLOSE,
    CONTROL_INSTALL,
    CONTROL_AGREE_CHECK,
    CONTROL_AGREEMENT_LINK,
    CONTROL_CHANGE_FOLDER,
    CONTROL_CANCEL,
    CONTROL_PROGRESS,
    CONTROL_FINISH,
    CONTROL_TENCENT_SHARE,
    CONTROL_SINA_SHARE,
    CONTROL_CLEANUP_CHECK,
    CONTROL_RETRY_BANNER,
    CONTROL_FOLDER_LABEL,
    CONTROL_MINIMIZE,
    kPageControlCount
};

// Whether a control is shown on a page. A page is nothing but this set of visible
// controls plus its painting rules.
bool IsShownOnPage(PageControl control, int page);
