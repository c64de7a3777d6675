#pragma once

#include <QProcess>
#include <QString>

// A session bus of the test's own: a dbus-daemon that only the test and the programs it starts use.
class TSessionBus {
public:
    ~TSessionBus();
    // Starts the daemon with its socket in the folder; false when it does not come up.
    bool Start(const QString& folder);
    // The address programs reach it at, as DBUS_SESSION_BUS_ADDRESS gives it.
    QString Address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};
