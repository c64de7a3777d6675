#include "ServerHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>

bool THttpReply::LengthMatches() const {
    bool ok = false;
    const qint64 length = Headers.value("content-length").toLongLong(&ok);
    return ok && length == Body.size();
}

THttpReply SendRaw(quint16 port, const QByteArray& request, int timeoutMs, const QString& from) {
    QTcpSocket socket;
    if (!from.isEmpty() && !socket.bind(QHostAddress(from)))
        return {};
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(timeoutMs))
        return {};
    socket.write(request);
    socket.waitForBytesWritten(timeoutMs);
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < timeoutMs) {
        if (socket.waitForReadyRead(200))
            received += socket.readAll();
    }
    received += socket.readAll();
    return ParseHttpReply(received);
}

THttpReply ParseHttpReply(const QByteArray& received) {
    THttpReply reply;
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return reply;
    const QList<QByteArray> head = received.left(headEnd).split('\n');
    const QList<QByteArray> statusLine = head.first().trimmed().split(' ');
    reply.Status = statusLine.size() > 1 ? statusLine.at(1).toInt() : 0;
    for (qsizetype i = 1; i < head.size(); ++i) {
        const qsizetype colon = head.at(i).indexOf(':');
        if (colon > 0)
            reply.Headers.insert(head.at(i).left(colon).trimmed().toLower(),
                                 head.at(i).mid(colon + 1).trimmed());
    }
    reply.Body = received.mid(headEnd + 4);
    return reply;
}

THttpReply Post(quint16 port, const QByteArray& path, const QByteArray& body) {
    return SendRaw(port, "POST " + path +
                             " HTTP/1.0\r\nHost: localhost\r\nUser-Agent: LMR\r\nAccept: */*\r\n"
                             "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                             QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

THttpReply Get(quint16 port, const QByteArray& path) {
    return SendRaw(port,
                   "GET " + path + " HTTP/1.0\r\nHost: localhost\r\nUser-Agent: LMR\r\nAccept: */*\r\n\r\n");
}

TCommandResult RunServerCommand(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(LUMORA_SERVER_PROGRAM), arguments);
    TCommandResult result;
    if (!process.waitForFinished(120000))
        return result;
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.Out = process.readAllStandardOutput();
    result.Err = process.readAllStandardError();
    return result;
}

TRunningServer::~TRunningServer() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(10000))
            m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool TRunningServer::Start(const QString& database, const QStringList& options, quint16 port) {
    m_process = std::make_unique<QProcess>();
    m_process->start(QStringLiteral(LUMORA_SERVER_PROGRAM),
                     QStringList{QStringLiteral("serve"), QStringLiteral("--listen"),
                                 QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--db"), database} +
                         options);
    static const QRegularExpression ready(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    static const QRegularExpression metrics(QStringLiteral("metrics on 127\\.0\\.0\\.1:(\\d+)"));
    const bool metricsWanted = options.contains(QStringLiteral("--metrics-listen"));
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000 && m_process->state() != QProcess::NotRunning) {
        m_process->waitForReadyRead(100);
        output += m_process->readAllStandardOutput();
        const QRegularExpressionMatch match = ready.match(QString::fromUtf8(output));
        const QRegularExpressionMatch metricsMatch = metrics.match(QString::fromUtf8(output));
        if (match.hasMatch() && (!metricsWanted || metricsMatch.hasMatch())) {
            m_port = quint16(match.captured(1).toUInt());
            m_metricsPort = metricsWanted ? quint16(metricsMatch.captured(1).toUInt()) : 0;
            return true;
        }
    }
    return false;
}

int TRunningServer::Stop() {
    if (!m_process)
        return -1;
    m_process->terminate();
    if (!m_process->waitForFinished(30000))
        return -1;
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

QByteArray TRunningServer::ErrorOutput() {
    if (m_process)
        m_errors += m_process->readAllStandardError();
    return m_errors;
}

QString ScratchPath(const QString& name) {
    const QString base = qEnvironmentVariable("LUMORA_TEST_SCRATCH", QDir::tempPath());
    return base + QLatin1Char('/') + name;
}

QString WriteScratchFile(const QString& name, const QByteArray& content) {
    const QString path = ScratchPath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}
