#pragma once

#include "SessionBus.h"
#include "XvfbServer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <optional>

// Plasma's real shell for one test: plasmashell on a private X server and session bus, drawing in
// software, in the test's throwaway home. Reason() says why it could not start.
class TPlasmaShell {
public:
    TPlasmaShell()
        : m_x(1024, 768) {
        if (QStandardPaths::findExecutable(QStringLiteral("plasmashell")).isEmpty()) {
            m_reason = QStringLiteral("plasmashell is not installed (scripts/setup installs it)");
            return;
        }
        if (!m_x.IsRunning() || !m_bus.IsRunning()) {
            m_reason = QStringLiteral("no private X server or session bus");
            return;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("LIBGL_ALWAYS_SOFTWARE"), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
        m_shell.setProcessEnvironment(environment);
        m_shell.setProcessChannelMode(QProcess::MergedChannels);
        m_shell.start(QStringLiteral("plasmashell"), {QStringLiteral("--no-respawn")});
        // The shell answers scripts once its desktops are made: a few seconds, longer on a busy machine.
        const QDeadlineTimer deadline(90000);
        while (!deadline.hasExpired() && m_shell.state() != QProcess::NotRunning) {
            if (Evaluate(QStringLiteral("print(desktops().length)")).value_or(QString()).toInt() > 0)
                return;
            QTest::qWait(250);
        }
        m_reason = QStringLiteral("plasmashell did not answer on the session bus: ") +
                   QString::fromLocal8Bit(m_shell.readAll().right(2000));
    }
    ~TPlasmaShell() {
        m_shell.terminate();
        if (!m_shell.waitForFinished(10000))
            m_shell.kill();
        m_shell.waitForFinished(1000);
    }

    bool IsRunning() const { return m_reason.isEmpty(); }
    QString Reason() const { return m_reason; }

    // What a desktop script printed; nothing when the shell refused it.
    static std::optional<QString> Evaluate(const QString& script) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
            QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
        call << script;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 20000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return std::nullopt;
        return reply.arguments().value(0).toString();
    }

private:
    TXvfbServer m_x;
    TSessionBus m_bus;
    QProcess m_shell;
    QString m_reason;
};
