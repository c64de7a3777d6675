#include "net/FetchProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr qsizetype ReadBlock = 256 * 1024;
constexpr char ProgramName[] = "lumora-fetch";

} // namespace

int TFetchProcess::s_running = 0;

TFetchProcess::TFetchProcess(THTTPTransferState state)
    : m_state(std::move(state)) {}

TFetchProcess::~TFetchProcess() {
    // Whoever started the transfer hears nothing more of it.
    blockSignals(true);
    if (m_pid > 0)
        Finish();
    if (m_socket >= 0)
        close(m_socket);
    DiscardTarget(m_state);
}

bool TFetchProcess::Spawn(const QByteArray& program) {
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
    if (started != 0)
        m_pid = -1;
    return started == 0;
}

void TFetchProcess::Start(const QByteArray& program) {
    ++s_running;
    if (!Spawn(program)) {
        m_state.FailureReason = "cannot start " + program;
        Finish();
        return;
    }
    // Into the empty socket at once: the child goes about the transfer even while the program is
    // busy, until it has something to report. A child that does not read it fails on its own.
    const QByteArray request = EncodeFetchFrame(FetchFrame::Request, EncodeFetchRequest(m_state.Request));
    (void)send(m_socket, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
    fcntl(m_socket, F_SETFL, O_NONBLOCK);
    m_readable.setSocket(m_socket);
    connect(&m_readable, &QSocketNotifier::activated, this, &TFetchProcess::Read);
    m_readable.setEnabled(true);
}

void TFetchProcess::ProgressSeen() {
    // A child that has been killed waits for nothing; one not sent loses nothing.
    if (m_pid > 0 && !m_state.Cancelled)
        (void)send(m_socket, &FetchFrame::ProgressSeen, 1, MSG_NOSIGNAL);
}

void TFetchProcess::Cancel() {
    m_state.Cancelled = true;
    if (m_pid > 0)
        Finish();
}

void TFetchProcess::Read() {
    if (!Receive())
        Finish();
}

bool TFetchProcess::Receive() {
    QByteArray block(ReadBlock, Qt::Uninitialized);
    const auto progress = [this](qint64 totalSize, qint64 readed) { Q_EMIT Progress(totalSize, readed); };
    for (;;) {
        const ssize_t received = read(m_socket, block.data(), size_t(block.size()));
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0 && errno == EAGAIN)
            return true;
        if (received <= 0 || !m_reader.Feed(block.first(received), progress))
            return false;
    }
}

void TFetchProcess::Finish() {
    m_readable.setEnabled(false);
    if (m_pid > 0) {
        const QByteArray ended = Reap();
        // Everything the child wrote before it went counts, the announcement of its part file above all.
        Receive();
        if (!m_reader.Complete() && m_state.FailureReason.isEmpty())
            m_state.FailureReason = ended;
    }
    --s_running;
    if (!m_state.Success)
        DiscardTarget(m_state);
    Q_EMIT Ended();
}

QByteArray TFetchProcess::Reap() {
    kill(m_pid, SIGKILL);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    // Killed here means it had already closed its end without an outcome, or was cancelled.
    if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL)
        return "the fetcher died of signal " + QByteArray::number(WTERMSIG(status));
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return "the fetcher failed with status " + QByteArray::number(WEXITSTATUS(status));
    return "the fetcher ended without an outcome";
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
