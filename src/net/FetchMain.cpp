// lumora-fetch: runs one transfer for the program and answers over its standard output (see
// FetchProtocol.h), so that the program never loads the HTTP library nor parses a server's reply.
#include "net/FetchProtocol.h"
#include "net/HTTPTransfer.h"

#include <QtEndian>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Exactly `size` bytes from the program; the child ends when the program has gone.
QByteArray Receive(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype received = 0; received < size;) {
        const ssize_t got = read(STDIN_FILENO, bytes.data() + received, size_t(size - received));
        if (got == 0 || (got < 0 && errno != EINTR))
            _exit(2);
        if (got > 0)
            received += got;
    }
    return bytes;
}

QByteArray ReceiveRequest() {
    const QByteArray header = Receive(FetchFrame::HeaderSize);
    if (header[0] != FetchFrame::Request)
        _exit(2);
    return Receive(qFromBigEndian<quint32>(header.constData() + 1));
}

// The program reads every frame; when it has gone, so has the point of going on.
void Send(char kind, const QByteArray& payload = {}) {
    const QByteArray frame = EncodeFetchFrame(kind, payload);
    for (qsizetype sent = 0; sent < frame.size();) {
        const ssize_t written = write(STDOUT_FILENO, frame.constData() + sent, size_t(frame.size() - sent));
        if (written < 0 && errno != EINTR)
            _exit(3);
        if (written > 0)
            sent += written;
    }
}

} // namespace

int main() {
    // The program reaps this process when it ends; should the whole program die, the transfer dies
    // with it.
    const pid_t starter = getppid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != starter)
        return 1;

    const std::optional<THTTPRequest> request = DecodeFetchRequest(ReceiveRequest());
    if (!request)
        return 2;
    PrepareHTTPTransfers();
    THTTPTransferState state;
    state.Request = *request;
    THTTPTransferHooks hooks;
    hooks.Progress = [](qint64 totalSize, qint64 readed) {
        Send(FetchFrame::Progress, EncodeFetchProgress(totalSize, readed));
        if (Receive(1)[0] != FetchFrame::ProgressSeen)
            _exit(2);
    };
    hooks.TargetBegun = [] { Send(FetchFrame::TargetBegun); };
    RunHTTPTransfer(state, hooks);
    Send(FetchFrame::Outcome, EncodeFetchOutcome(state));
    return 0;
}
