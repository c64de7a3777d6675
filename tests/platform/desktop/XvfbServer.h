#pragma once

#include <QProcess>
#include <QString>

// A private X server for one test: Xvfb on a free display number of its own choosing (it writes
// the number to its standard output), with DISPLAY pointing at it while the object lives.
class TXvfbServer {
public:
    TXvfbServer(int width, int height) {
        m_process.start(QStringLiteral("Xvfb"),
                        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
                         QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
        if (!m_process.waitForStarted(5000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        const QByteArray number = m_process.readLine().trimmed();
        if (number.isEmpty())
            return;
        m_display = QStringLiteral(":") + QString::fromLatin1(number);
        m_previous = qgetenv("DISPLAY");
        qputenv("DISPLAY", m_display.toLatin1());
    }
    ~TXvfbServer() {
        if (!m_display.isEmpty())
            qputenv("DISPLAY", m_previous);
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
    bool IsRunning() const { return !m_display.isEmpty(); }
    QString Display() const { return m_display; }
    qint64 Pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    QString m_display;
    QByteArray m_previous;
};
