#include "net/FetchProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <csignal>

namespace {

constexpr char ProgramName[] = "lumora-fetch";

// Why a child that gave no outcome failed the transfer.
QByteArray HowItEnded(int exitCode, QProcess::ExitStatus exitStatus) {
    // Killed means the program killed it: it had broken the protocol, or the transfer was cancelled.
    if (exitStatus == QProcess::CrashExit && exitCode != SIGKILL)
        return "the fetcher died of signal " + QByteArray::number(exitCode);
    if (exitStatus == QProcess::NormalExit && exitCode != 0)
        return "the fetcher failed with status " + QByteArray::number(exitCode);
    return "the fetcher ended without an outcome";
}

} // namespace

int TFetchProcess::s_running = 0;

TFetchProcess::TFetchProcess(THTTPTransferState state)
    : m_state(std::move(state)) {
    // The child's complaints go where the program's go.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The child starts with no blocked signals and the default action for a closed pipe, whatever
    // the program did with them.
    m_process.setChildProcessModifier([] {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
    });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &TFetchProcess::Read);
    connect(&m_process, &QProcess::finished, this, &TFetchProcess::Reaped);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_state.FailureReason = "cannot start " + QFile::encodeName(m_process.program());
        End();
    });
}

TFetchProcess::~TFetchProcess() {
    // Whoever started the transfer hears nothing more of it.
    blockSignals(true);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
    DiscardTarget(m_state);
}

void TFetchProcess::Start(const QByteArray& program) {
    ++s_running;
    m_process.setProgram(QFile::decodeName(program));
    m_process.start();
    if (m_process.state() == QProcess::NotRunning)
        return;
    // Into the empty pipe at once rather than at the next turn of the event loop: the child goes
    // about the transfer even while the program is busy, until it has something to report.
    m_process.write(EncodeFetchFrame(FetchFrame::Request, EncodeFetchRequest(m_state.Request)));
    m_process.waitForBytesWritten(-1);
}

void TFetchProcess::ProgressSeen() {
    // A child that is being killed waits for nothing.
    if (m_process.state() == QProcess::Running && !m_state.Cancelled)
        m_process.write(&FetchFrame::ProgressSeen, 1);
}

void TFetchProcess::Cancel() {
    m_state.Cancelled = true;
    m_process.kill();
}

void TFetchProcess::Read() {
    const auto progress = [this](qint64 totalSize, qint64 readed) { Q_EMIT Progress(totalSize, readed); };
    if (!m_reader.Feed(m_process.readAllStandardOutput(), progress))
        m_process.kill();
}

void TFetchProcess::Reaped(int exitCode, QProcess::ExitStatus exitStatus) {
    // Everything the child wrote before it ended counts, the announcement of its part file above all.
    Read();
    if (!m_reader.Complete() && m_state.FailureReason.isEmpty())
        m_state.FailureReason = HowItEnded(exitCode, exitStatus);
    End();
}

void TFetchProcess::End() {
    --s_running;
    if (!m_state.Success)
        DiscardTarget(m_state);
    Q_EMIT Ended();
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
