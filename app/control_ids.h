#pragma once

// The command ids of the main window's child controls; clicks arrive as WM_COMMAND
// with these. The two tooltip windows have none.
enum ControlId : int {
    ID_CLOSE = 101,
    ID_START_INSTALL = 102,
    ID_AGREE_CHECK = 103,
    ID_CHANGE_FOLDER = 104,
    ID_CANCEL = 105,
    ID_FINISH = 106,
    ID_TENCENT_SHARE = 107,
    ID_SINA_SHARE = 108,
    ID_CLEANUP_CHECK = 109,
    ID_RETRY_BANNER = 110,
    ID_AGREEMENT = 111,
    ID_FOLDER_LABEL = 112,
    ID_MINIMIZE = 114,
    ID_PROGRESS_BAR = 10000,
};
