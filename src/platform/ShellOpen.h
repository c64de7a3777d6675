#pragma once

#include <QUrl>
#include <functional>

// Opens a file or an address with the user's preferred program (browser, mail program).
// Nothing is reported to the user when that fails; the result only tells the caller.
bool ShellOpen(const QUrl& url);

// Replaces the desktop's opener, for tests that record what would be opened; an empty handler
// puts the desktop's opener back.
void SetShellOpenHandler(std::function<bool(const QUrl&)> handler);
