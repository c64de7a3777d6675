#include "net/HTTPGetThread.h"

#include "net/FetchProcess.h"

std::atomic<int> THTTPGetThread::s_running{0};

THTTPGetThread::THTTPGetThread(std::shared_ptr<THTTPTransferState> state)
    : m_state(std::move(state)) {
    ++s_running;
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void THTTPGetThread::run() {
    RunFetchProcess(*m_state,
                    [this](qint64 totalSize, qint64 readed) { Q_EMIT Progress(totalSize, readed); });
    m_state->WorkerEnded.store(true, std::memory_order_release);
    Q_EMIT Completed();
    --s_running;
}
