#pragma once

#include <QString>

// The refresh period of a cam, in seconds, as the refresh timer uses it.

// The largest period whose interval in milliseconds a timer still accepts.
inline constexpr int LongestRefreshSeconds = 2147483;

// True when the timer can run with this period.
bool IsUsableRefresh(qint64 seconds);

// The refresh typed into the window's refresh field, or `fallback` (the selected cam's refresh)
// when the text is not a whole number or not a usable period.
int RefreshFromText(const QString& text, int fallback);

// The refresh timer's interval for a cam's refresh. A period the timer cannot run with (0 would
// fetch without pause, a negative one is no interval) uses the catalogue's default of 60 seconds.
int RefreshIntervalMilliseconds(int seconds);
