#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// Talks to a real lumora-server over 127.0.0.1, the way Lumora does: one HTTP/1.0 request per
// connection, the server closing it after the reply.

struct THttpReply {
    int Status = 0;
    QMap<QByteArray, QByteArray> Headers; // names in lower case
    QByteArray Body;

    // True when the reply announced its length and the body has exactly that many bytes.
    bool LengthMatches() const;
};

// Sends the bytes as they are and reads until the server closes; Status 0 when nothing came back. The
// connection comes from the loopback address `from` (another client than 127.0.0.1) when one is given.
THttpReply SendRaw(quint16 port, const QByteArray& request, int timeoutMs = 15000, const QString& from = {});
// The reply in the bytes a server sent before it closed the connection; Status 0 when they hold none.
THttpReply ParseHttpReply(const QByteArray& received);
// A POST as Lumora's fetcher sends it: form content type, body not encoded.
THttpReply Post(quint16 port, const QByteArray& path, const QByteArray& body);
THttpReply Get(quint16 port, const QByteArray& path);

struct TCommandResult {
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

// Runs "lumora-server <arguments>" to its end.
TCommandResult RunServerCommand(const QStringList& arguments);

// "lumora-server serve" on 127.0.0.1 (a free port unless one is given), stopped with SIGTERM at the end.
class TRunningServer {
public:
    ~TRunningServer();
    // Starts with the given database and extra options; false when it did not report that it listens.
    bool Start(const QString& database, const QStringList& options = {}, quint16 port = 0);
    // Sends SIGTERM and returns the exit code; -1 when it did not stop within the time.
    int Stop();
    quint16 Port() const { return m_port; }
    // The port of --metrics-listen, when the options give it.
    quint16 MetricsPort() const { return m_metricsPort; }
    qint64 ProcessId() const { return m_process ? m_process->processId() : 0; }
    QByteArray ErrorOutput();

private:
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    quint16 m_metricsPort = 0;
    QByteArray m_errors;
};

// A folder that lives as long as the test, inside the test's throwaway home.
QString ScratchPath(const QString& name);
// Writes the bytes to a file of the scratch folder and returns its path.
QString WriteScratchFile(const QString& name, const QByteArray& content);
