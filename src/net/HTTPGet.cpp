#include "net/HTTPGet.h"

#include "net/FetchProcess.h"
#include "net/HTTPGetThread.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaMethod>
#include <QPointer>

THTTPGet::THTTPGet(QObject* parent)
    : QObject(parent) {}

THTTPGet::~THTTPGet() {
    // The worker winds down on its own; its completion was addressed to this object and is dropped.
    if (m_running)
        m_running->CancelRequested = true;
}

int THTTPGet::RunningWorkers() {
    return THTTPGetThread::Running();
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
    if (!m_running)
        return;
    m_running->Cancelled = true;
    m_running->CancelRequested = true;
}

void THTTPGet::Start(Mode mode) {
    if (m_running)
        return;
    auto state = std::make_shared<THTTPTransferState>();
    THTTPRequest& request = state->Request;
    request.AcceptTypes = AcceptTypes;
    request.Agent = Agent;
    request.URL = URL;
    if (mode == Mode::File) {
        state->Target = FileName;
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
    state->FetchProgram = FetchProgram();

    auto* worker = new THTTPGetThread(state);
    // Without a progress handler no chunk is handed to the main thread at all.
    if (request.ReportProgress)
        connect(
            worker, &THTTPGetThread::Progress, this,
            [this, state](qint64 totalSize, qint64 readed) {
                if (!state->Cancelled)
                    Q_EMIT OnProgress(this, totalSize, readed);
            },
            Qt::BlockingQueuedConnection);
    // Queued to the main thread: a destroyed component never hears of its transfer again, and what
    // its transfer left behind is cleared there.
    QPointer<THTTPGet> self(this);
    connect(
        worker, &THTTPGetThread::Completed, QCoreApplication::instance(),
        [self, state] {
            if (self)
                self->DeliverResult(state);
            else
                DiscardTarget(*state);
        },
        Qt::QueuedConnection);
    m_running = state;
    worker->start();
}

void THTTPGet::DeliverResult(const std::shared_ptr<THTTPTransferState>& state) {
    // The worker has ended, so everything it wrote is visible from here on.
    const bool workerEnded = state->WorkerEnded.load(std::memory_order_acquire);
    Q_ASSERT(workerEnded);
    Q_UNUSED(workerEnded);
    if (state != m_running) {
        DiscardTarget(*state);
        return;
    }
    m_lastResult = state->Success && !state->Cancelled;
    if (m_lastResult && state->Request.ToFile && !PublishTarget(*state)) {
        m_lastResult = false;
        state->FailureReason = "cannot replace the target file";
    }
    m_lastUrl = state->Request.URL;
    m_lastStatus = int(state->Status);
    m_lastFailure = m_lastResult ? QByteArray() : state->Cancelled ? "cancelled" : state->FailureReason;
    // A cancel that came after the worker had finished still fails the transfer, and its file goes.
    if (!m_lastResult) {
        DiscardTarget(*state);
        if (state->TargetBegun)
            QFile::remove(state->Target);
    }
    // Busy stays set while the handler runs: it may open dialogs and spin nested loops, and a new
    // start on this component must be dropped meanwhile.
    QPointer<THTTPGet> self(this);
    if (!m_lastResult)
        Q_EMIT OnError(this);
    else if (state->Request.ToFile)
        Q_EMIT OnDoneFile(this, state->Target, state->AnnouncedSize);
    else
        Q_EMIT OnDoneString(this, state->Text);
    if (self)
        m_running.reset();
}
