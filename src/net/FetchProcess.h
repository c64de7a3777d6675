#pragma once

#include "net/FetchProtocol.h"
#include "net/HTTPTransferState.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>

// One transfer in a lumora-fetch child process (FetchProtocol.h), driven by the event loop of the
// thread that creates it: the child's frames are read as they arrive and fill the outcome fields of
// State(). A child that dies or breaks the protocol fails the transfer; a failed transfer's part
// file is removed once the child can no longer write it.
class TFetchProcess : public QObject {
    Q_OBJECT
public:
    explicit TFetchProcess(THTTPTransferState state);
    // A child still running is killed and reaped here (a killed child goes within moments), and a
    // part file nobody published goes: an abandoned transfer leaves nothing behind.
    ~TFetchProcess() override;

    // Starts `program` (FetchProgram) and sends it the request; Ended follows in any case.
    void Start(const QByteArray& program);
    // The child waits after each progress report until the program has seen it.
    void ProgressSeen();
    // Kills the child: the transfer ends, as cancelled.
    void Cancel();

    THTTPTransferState& State() { return m_state; }

    // Children started and not yet reaped, in the whole program.
    static int Running() { return s_running; }

Q_SIGNALS:
    // A progress report of the child; it waits for ProgressSeen.
    void Progress(qint64 totalSize, qint64 readed);
    // The child has been reaped (or never started) and the outcome is written.
    void Ended();

private:
    void Read();
    void Reaped(int exitCode, QProcess::ExitStatus exitStatus);
    void End();

    THTTPTransferState m_state;
    TFetchReplyReader m_reader{m_state};
    QProcess m_process;
    static int s_running;
};

// Where the fetcher program is: LUMORA_FETCH when set (tests and benchmarks, whose executables live
// elsewhere), otherwise lumora-fetch beside the running program (the build tree), otherwise in the
// installed libexec folder.
QByteArray FetchProgram();
