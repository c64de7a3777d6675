#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only write to a pipe; the main loop reads the other end.
int SignalPipe[2] = {-1, -1};

void OnSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

constexpr int Watched[] = {SIGTERM, SIGINT, SIGHUP};

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent)
    : QObject(parent) {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
    if (SignalPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, SignalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TTerminationSignals::ReadSignal);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : Watched)
        sigaction(signalNumber, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
    if (!m_notifier)
        return;
    for (const int signalNumber : Watched)
        std::signal(signalNumber, SIG_DFL);
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
}

void TTerminationSignals::ReadSignal() {
    unsigned char byte = 0;
    while (::read(SignalPipe[0], &byte, 1) == 1)
        Q_EMIT Received(byte);
}

bool TTerminationSignals::eventFilter(QObject* watched, QEvent* event) {
    if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit)
        return false;
    Q_EMIT Received(0);
    return true;
}
