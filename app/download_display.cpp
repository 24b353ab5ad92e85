#include "app/download_display.h"

DownloadDisplay ApplyDownloadReport(int maxPercent, std::optional<int> percent) {
    if (!percent.has_value() || *percent < maxPercent) {
        return {maxPercent, maxPercent, false, percent.has_value() && *percent >= 100};
    }
    const int shown = *percent > 100 ? 100 : *percent;
    return {shown, shown, true, *percent >= 100};
}
