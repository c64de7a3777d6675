#include "wallpaper/RefreshRule.h"

#include "core/UCams.h"

bool IsUsableRefresh(qint64 seconds) {
    return seconds >= 1 && seconds <= LongestRefreshSeconds;
}

int RefreshFromText(const QString& text, int fallback) {
    bool isNumber = false;
    const qlonglong typed = text.toLongLong(&isNumber);
    if (isNumber && IsUsableRefresh(typed))
        return static_cast<int>(typed);
    return fallback;
}

int RefreshIntervalMilliseconds(int seconds) {
    const int usable = IsUsableRefresh(seconds) ? seconds : TWebCam::DefaultRefresh;
    return usable * 1000;
}
