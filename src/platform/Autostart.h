#pragma once

#include <QByteArray>
#include <QString>

// Start with the user's session: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/lumora.desktop.
// The entry exists exactly when the program starts with the session; what it says is not examined,
// so an entry written by a copy of the program in another directory also counts.

QString AutostartEntryPath();

bool IsRunOnStartup();

// Writes the entry for `programPath` (started with " /d40", so that it waits for the desktop to
// settle) or removes it. Empty on success, otherwise what went wrong; a failed write leaves the
// previous entry whole.
QString SetRunOnStartup(bool on, const QString& programPath);

// The entry's text for a program file.
QByteArray AutostartEntryText(const QString& programPath);

// One argument of an entry's Exec line, quoted as the desktop entry rules ask when it holds a
// character that would otherwise split or expand it. No shell is involved.
QString DesktopExecArgument(const QString& argument);
