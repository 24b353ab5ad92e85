#pragma once
#include <optional>

// What one download progress report changes on screen. The percentage shown never
// goes back: a report below the highest one so far shows that highest one again.
struct DownloadDisplay {
    int maxPercent;   // the highest percentage shown so far, after this report
    int shownPercent; // what "已下载：%d%%" shows
    bool barMoves;    // the bar goes to shownPercent
    bool complete;    // the report says the download is whole (100 % or more)
};

// `percent` is empty when the report carries no total.
DownloadDisplay ApplyDownloadReport(int maxPercent, std::optional<int> percent);
