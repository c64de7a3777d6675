#pragma once

#include <QProcess>
#include <QString>

// A private D-Bus session bus for one test, so that settings daemons started on demand (xfconfd)
// and services registered by the test never meet the user's own session.
class TSessionBus {
public:
    TSessionBus() {
        m_process.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_process.waitForStarted(5000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_address = m_process.readLine().trimmed();
        if (!m_address.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_address);
    }
    ~TSessionBus() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
    bool IsRunning() const { return !m_address.isEmpty(); }

private:
    QProcess m_process;
    QByteArray m_address;
};
