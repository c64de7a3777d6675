#include "HttpWorker.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdint>
#include <microhttpd.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// A client that hangs up while sendfile writes to it must not end the server: the signal stays
// blocked on this thread, which lets the library use sendfile.
void BlockBrokenPipeSignal() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

// How long the daemon may be left alone: until its earliest connection times out, not at all while
// it has read data still to handle, for ever without connections.
int WaitMilliseconds(MHD_Daemon* daemon) {
    MHD_UNSIGNED_LONG_LONG timeout = 0;
    if (MHD_get_timeout(daemon, &timeout) != MHD_YES)
        return -1;
    return int(std::min<MHD_UNSIGNED_LONG_LONG>(timeout, INT_MAX));
}

} // namespace

THttpWorker::THttpWorker(MHD_Daemon* daemon, TRefused refused)
    : m_daemon(daemon)
    , m_refused(std::move(refused))
    , m_wakeUp(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , m_thread([this] { Run(); }) {}

THttpWorker::~THttpWorker() {
    Stop();
    ::close(m_wakeUp);
}

void THttpWorker::Stop() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    Wake();
    m_thread.join();
    std::lock_guard lock(m_mutex);
    for (const TAcceptedSocket& connection : m_pending) {
        ::close(connection.Socket);
        m_refused(connection.Socket);
    }
    m_pending.clear();
    MHD_stop_daemon(m_daemon);
}

void THttpWorker::Add(std::vector<TAcceptedSocket> sockets) {
    {
        std::lock_guard lock(m_mutex);
        if (m_pending.empty())
            m_pending = std::move(sockets);
        else
            m_pending.insert(m_pending.end(), sockets.begin(), sockets.end());
    }
    Wake();
}

// The daemon's own wake-up may be taken by a turn that has already looked for resumed connections:
// the worker's wake-up makes sure another turn follows.
void THttpWorker::Resume(MHD_Connection* connection) {
    MHD_resume_connection(connection);
    Wake();
}

void THttpWorker::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wakeUp, &one, sizeof one);
}

bool THttpWorker::TakePending(std::vector<TAcceptedSocket>& pending) {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(m_wakeUp, &count, sizeof count);
    std::lock_guard lock(m_mutex);
    pending.swap(m_pending);
    return !m_stopping;
}

// Each turn takes what was handed over since the last one, lets the library handle every socket that
// is ready without waiting, and then waits for the next event or timeout.
void THttpWorker::Run() {
    pthread_setname_np(pthread_self(), "lumora-http");
    BlockBrokenPipeSignal();
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_EPOLL_FD);
    const int sockets = info != nullptr ? info->epoll_fd : -1;
    std::vector<TAcceptedSocket> pending;
    while (TakePending(pending)) {
        for (TAcceptedSocket& connection : pending) {
            if (MHD_add_connection(m_daemon, connection.Socket,
                                   reinterpret_cast<sockaddr*>(&connection.Address),
                                   connection.Length) != MHD_YES)
                m_refused(connection.Socket);
        }
        pending.clear();
        MHD_run(m_daemon);
        pollfd watched[2] = {{sockets, POLLIN, 0}, {m_wakeUp, POLLIN, 0}};
        ::poll(watched, 2, WaitMilliseconds(m_daemon));
    }
}
