#pragma once

#include "net/FetchProtocol.h"
#include "net/HTTPTransferState.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <sys/types.h>

// One transfer in a lumora-fetch child process (FetchProtocol.h), driven by the event loop of the
// thread that creates it: the child's frames are read as they arrive and fill the outcome fields of
// State(). A child that dies or breaks the protocol fails the transfer; a failed transfer's part
// file is removed once the child can no longer write it. The child is spawned rather than forked
// (QProcess forks with the memory shared), which keeps ThreadSanitizer's view of the program sound.
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
    // Kills and reaps the child: the transfer ends, as cancelled.
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
    // Spawns the child on one end of a socket pair, its standard input and output.
    bool Spawn(const QByteArray& program);
    void Read();
    // Feeds what the child has written so far; false once it closed its end or broke the protocol.
    bool Receive();
    // Kills the child if it still runs, reaps it and tells the component.
    void Finish();
    // Reaps the killed child; why it failed the transfer when it gave no outcome.
    QByteArray Reap();

    THTTPTransferState m_state;
    TFetchReplyReader m_reader{m_state};
    pid_t m_pid = -1;
    int m_socket = -1;
    QSocketNotifier m_readable{QSocketNotifier::Read};
    static int s_running;
};

// Where the fetcher program is: LUMORA_FETCH when set (tests and benchmarks, whose executables live
// elsewhere), otherwise lumora-fetch beside the running program (the build tree), otherwise in the
// installed libexec folder.
QByteArray FetchProgram();
