#include "SessionBus.h"

#include "E2EHarness.h"

#include <QDir>
#include <QTest>

TSessionBus::~TSessionBus() {
    E2E::Stop(m_daemon);
}

bool TSessionBus::Start(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {"--session", "--nofork", "--nopidfile", "--print-address=1",
                    "--address=unix:path=" + folder + "/session-bus"});
    if (!m_daemon.waitForStarted())
        return false;
    // The daemon prints its address once it listens.
    (void)QTest::qWaitFor([&] { return m_daemon.canReadLine() || m_daemon.state() != QProcess::Running; },
                          10000);
    m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    return !m_address.isEmpty();
}
