// lumora-fetch: runs one transfer for the program and answers over its standard output (see
// FetchProtocol.h), so that the program never loads the HTTP library nor parses a server's reply.
#include "net/FetchProtocol.h"
#include "net/HTTPTransfer.h"

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

QByteArray ReadRequest() {
    QByteArray bytes;
    char block[64 * 1024];
    for (;;) {
        const ssize_t received = read(STDIN_FILENO, block, sizeof block);
        if (received == 0)
            return bytes;
        if (received < 0 && errno != EINTR)
            return {};
        if (received > 0)
            bytes.append(block, received);
    }
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
    // The worker thread that started this process waits for it; should the whole program die, the
    // transfer dies with it.
    const pid_t starter = getppid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != starter)
        return 1;

    const std::optional<THTTPRequest> request = DecodeFetchRequest(ReadRequest());
    if (!request)
        return 2;
    PrepareHTTPTransfers();
    THTTPTransferState state;
    state.Request = *request;
    THTTPTransferHooks hooks;
    hooks.Progress = [](qint64 totalSize, qint64 readed) {
        Send(FetchFrame::Progress, EncodeFetchProgress(totalSize, readed));
    };
    hooks.TargetBegun = [] { Send(FetchFrame::TargetBegun); };
    RunHTTPTransfer(state, hooks);
    Send(FetchFrame::Outcome, EncodeFetchOutcome(state));
    return 0;
}
