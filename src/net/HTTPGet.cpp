#include "net/HTTPGet.h"

#include "net/FetchProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaMethod>
#include <QPointer>

THTTPGet::THTTPGet(QObject* parent)
    : QObject(parent) {}

// The fetcher goes with its transfer (~TFetchProcess).
THTTPGet::~THTTPGet() = default;

int THTTPGet::RunningFetchers() {
    return TFetchProcess::Running();
}

QString THTTPGet::LastTransferText() const {
    const QString address = QString::fromLatin1(m_lastUrl);
    return m_lastStatus > 0 ? QStringLiteral("%1, HTTP %2").arg(address).arg(m_lastStatus) : address;
}

void THTTPGet::FetchFile() {
    Start(Mode::File);
    if (!WaitThread)
        return;
    QPointer<THTTPGet> self(this);
    while (self && self->Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void THTTPGet::FetchString() {
    Start(Mode::String);
    if (WaitThread)
        QCoreApplication::processEvents();
}

void THTTPGet::Cancel() {
    if (m_running)
        m_running->Cancel();
}

void THTTPGet::Start(Mode mode) {
    if (m_running)
        return;
    THTTPTransferState state;
    THTTPRequest& request = state.Request;
    request.AcceptTypes = AcceptTypes;
    request.Agent = Agent;
    request.URL = URL;
    if (mode == Mode::File) {
        state.Target = FileName;
        request.FileName = PartFileName(FileName);
    }
    request.UserName = UserName;
    request.Password = Password;
    request.PostQuery = PostQuery;
    request.Referer = Referer;
    request.BinaryData = BinaryData;
    request.UseCache = UseCache;
    request.ToFile = mode == Mode::File;
    request.ReportProgress = isSignalConnected(QMetaMethod::fromSignal(&THTTPGet::OnProgress));
    request.ConnectTimeout = ConnectTimeout;
    request.StallTimeout = StallTimeout;
    request.TransferTimeout = TransferTimeout;
    request.MaxStringSize = MaxStringSize;
    request.MaxFileSize = MaxFileSize;
    request.ConnectTo = ConnectToRules(qgetenv("LUMORA_CONNECT_TO"));

    // Without a progress handler the fetcher reports no progress at all.
    const bool reportProgress = request.ReportProgress;
    m_running = std::make_unique<TFetchProcess>(std::move(state));
    // Queued, so that handlers run from the event loop and never inside the fetcher's reading: they
    // may destroy this component, and with it the fetcher.
    if (reportProgress)
        connect(m_running.get(), &TFetchProcess::Progress, this, &THTTPGet::ReportProgress,
                Qt::QueuedConnection);
    connect(m_running.get(), &TFetchProcess::Ended, this, &THTTPGet::DeliverResult, Qt::QueuedConnection);
    m_running->Start(FetchProgram());
}

void THTTPGet::ReportProgress(qint64 totalSize, qint64 readed) {
    // The handler may destroy this component, or end this transfer and start the next.
    QPointer<TFetchProcess> running = m_running.get();
    if (!running)
        return;
    if (!running->State().Cancelled)
        Q_EMIT OnProgress(this, totalSize, readed);
    if (running)
        running->ProgressSeen();
}

void THTTPGet::DeliverResult() {
    THTTPTransferState& state = m_running->State();
    m_lastResult = state.Success && !state.Cancelled;
    if (m_lastResult && state.Request.ToFile && !PublishTarget(state)) {
        m_lastResult = false;
        state.FailureReason = "cannot replace the target file";
    }
    m_lastUrl = state.Request.URL;
    m_lastStatus = int(state.Status);
    m_lastFailure = m_lastResult ? QByteArray() : state.Cancelled ? "cancelled" : state.FailureReason;
    // A cancel that came after the fetcher had finished still fails the transfer, and its file goes.
    if (!m_lastResult) {
        DiscardTarget(state);
        if (state.TargetBegun)
            QFile::remove(state.Target);
    }
    // Busy stays set while the handler runs: it may open dialogs and spin nested loops, and a new
    // start on this component must be dropped meanwhile. The handler may also destroy the component
    // and the transfer with it, so the events carry copies.
    QPointer<THTTPGet> self(this);
    const QString target = state.Target;
    const QByteArray text = state.Text;
    if (!m_lastResult)
        Q_EMIT OnError(this);
    else if (state.Request.ToFile)
        Q_EMIT OnDoneFile(this, target, state.AnnouncedSize);
    else
        Q_EMIT OnDoneString(this, text);
    if (self)
        m_running.reset();
}
