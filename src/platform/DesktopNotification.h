#pragma once

#include <QString>

// A desktop notification (org.freedesktop.Notifications on the session bus), shown only where the
// desktop runs such a service now: the program never starts one of its own. Does not wait for the
// desktop's answer.
void ShowDesktopNotification(const QString& summary, const QString& body);
