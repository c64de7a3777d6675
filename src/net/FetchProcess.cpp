#include "net/FetchProcess.h"

#include "net/FetchProtocol.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A cancel request is seen within this many milliseconds.
constexpr int PollMilliseconds = 100;
constexpr qsizetype ReadBlock = 256 * 1024;
constexpr char ProgramName[] = "lumora-fetch";

class TFetchChild {
public:
    // Starts the program with one end of a socket pair as its standard input and output.
    bool Start(const QByteArray& program);
    // Writes the request, then reads the child's frames until it closes its end, breaks the protocol
    // or the transfer is cancelled.
    void Exchange(THTTPTransferState& state, const std::function<void(qint64, qint64)>& progress);
    // Ends the child (killed if it still runs) and tells how it ended, for a transfer without outcome.
    QByteArray Reap();
    ~TFetchChild();

private:
    bool Send(const QByteArray& request, qsizetype& sent);
    pid_t m_pid = -1;
    int m_socket = -1;
};

bool TFetchChild::Start(const QByteArray& program) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    // The child starts with no blocked signals and the default action for a closed pipe, whatever
    // the program did with them.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    QByteArray path = program;
    char* arguments[] = {path.data(), nullptr};
    const int started = posix_spawn(&m_pid, path.constData(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(ends[1]);
    m_socket = ends[0];
    if (started != 0) {
        m_pid = -1;
        return false;
    }
    return fcntl(m_socket, F_SETFL, O_NONBLOCK) == 0;
}

bool TFetchChild::Send(const QByteArray& request, qsizetype& sent) {
    const ssize_t written =
        send(m_socket, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
    if (written < 0)
        return errno == EAGAIN || errno == EINTR;
    sent += written;
    return true;
}

void TFetchChild::Exchange(THTTPTransferState& state, const std::function<void(qint64, qint64)>& progress) {
    const QByteArray request = EncodeFetchFrame(FetchFrame::Request, EncodeFetchRequest(state.Request));
    // The child goes on after a progress report once the handler has returned. A child that does
    // not read these fills the socket; it waits for none then, so one not sent loses nothing.
    const auto reported = [&](qint64 totalSize, qint64 readed) {
        progress(totalSize, readed);
        (void)send(m_socket, &FetchFrame::ProgressSeen, 1, MSG_NOSIGNAL);
    };
    qsizetype sent = 0;
    bool writing = true;
    TFetchReplyReader reader(state);
    QByteArray block(ReadBlock, Qt::Uninitialized);
    while (!state.CancelRequested) {
        pollfd watched{m_socket, short(POLLIN | (writing ? POLLOUT : 0)), 0};
        const int ready = poll(&watched, 1, PollMilliseconds);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        // A child that stopped reading early shows what happened on the reading side.
        if (writing && (watched.revents & POLLOUT))
            writing = Send(request, sent) && sent < request.size();
        if (!(watched.revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t received = read(m_socket, block.data(), size_t(block.size()));
        if (received < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (received <= 0 || !reader.Feed(QByteArray(block.constData(), received), reported))
            break;
    }
    if (state.CancelRequested) {
        state.Success = false;
        state.FailureReason = "cancelled";
    } else if (!reader.Complete() && state.FailureReason.isEmpty()) {
        state.Success = false;
        state.FailureReason = Reap();
    }
}

QByteArray TFetchChild::Reap() {
    if (m_pid <= 0)
        return "the fetcher ended without an outcome";
    kill(m_pid, SIGKILL);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    // Killed here means it had already closed its end without an outcome.
    if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL)
        return "the fetcher died of signal " + QByteArray::number(WTERMSIG(status));
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return "the fetcher failed with status " + QByteArray::number(WEXITSTATUS(status));
    return "the fetcher ended without an outcome";
}

TFetchChild::~TFetchChild() {
    Reap();
    if (m_socket >= 0)
        close(m_socket);
}

} // namespace

void RunFetchProcess(THTTPTransferState& state, const std::function<void(qint64, qint64)>& progress) {
    state.Success = false;
    {
        TFetchChild child;
        if (!child.Start(state.FetchProgram))
            state.FailureReason = "cannot start " + state.FetchProgram;
        else
            child.Exchange(state, progress);
    }
    if (!state.Success)
        DiscardTarget(state);
}

QByteArray FetchProgram() {
    const QByteArray chosen = qgetenv("LUMORA_FETCH");
    if (!chosen.isEmpty())
        return chosen;
    const QString here = QCoreApplication::applicationDirPath();
    const QString beside = here + QLatin1Char('/') + QLatin1String(ProgramName);
    if (QFileInfo(beside).isExecutable())
        return QFile::encodeName(beside);
    return QFile::encodeName(here + QLatin1String("/" LUMORA_FETCH_FROM_BIN "/") +
                             QLatin1String(ProgramName));
}
