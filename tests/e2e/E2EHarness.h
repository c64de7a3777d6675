#pragma once

// What the end-to-end tests share: reading the root window of the X server they run on, a real
// tray host, and the environment a lumora process under test gets.
#include "core/picture/Picture.h"

#include <QByteArray>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <optional>

namespace E2E {

struct Rgb {
    int Red = 0, Green = 0, Blue = 0;
    bool operator==(const Rgb&) const = default;
};

QByteArray Describe(const Rgb& colour);
bool Near(const Rgb& a, const Rgb& b);
TPicture Filled(int width, int height, Rgb colour);

// The colour the screen shows at a point, or at its centre; -1s when the display cannot be read.
Rgb RootAt(int x, int y);
Rgb RootCentre();
// A checksum of everything the root window shows.
quint64 RootChecksum();
bool WaitForRoot(const Rgb& expected, int milliseconds);

// The visible top-level windows of that size, as "x y" positions on the screen.
QList<QPoint> VisibleWindowsOfSize(int width, int height);
// How many top-level windows are visible; a menu that opens adds one.
qsizetype VisibleWindowCount();
// Waits until a starting lumora's splash (the only 416 x 246 window) has come and gone: it covers
// the middle of the screen, above every window, for its first four seconds.
bool WaitForSplashToEnd(int milliseconds = 20000);
// Waits for lumora's messages window (the only 424 x 407 window) and closes it with its OK button,
// ticking "Don't show this message again" first when asked; true once it is gone.
bool CloseMessagesWindow(int milliseconds, bool neverAgain = false);
// Clicks the left mouse button at a point of the screen.
bool ClickAt(const QPoint& point);
// The centre of the icon at the right end of the tray host's panel; nothing without a panel.
std::optional<QPoint> TrayIconCentre();
// How many windows of the process are docked in the tray host's panel (XEmbed); -1 without a display.
int WindowsDockedInTray(qint64 pid);
// Opens the tray icon's popup menu with a right click; true once the menu shows.
bool OpenTrayMenu();

// Runs a command to its end; true when it ended normally with exit code 0.
bool Run(const QString& program, const QStringList& arguments);

// A panel with a notification area along the screen's top edge; returns once its tray is there.
bool StartTrayer(QProcess& trayer);
// Whether a notification area host owns the screen's tray selection.
bool TrayHostRuns();
void Stop(QProcess& process);

// The environment of a lumora under test: the real X11 backend, and every address of `hosts`
// reaching the given LUMORA_CONNECT_TO rules.
QProcessEnvironment LumoraEnvironment(const QByteArray& catalogueHost, const QByteArray& connectTo);

} // namespace E2E
