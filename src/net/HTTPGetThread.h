#pragma once

#include "net/HTTPTransferState.h"

#include <QThread>
#include <memory>

// The worker of one transfer. It works only on its own copies of the request, frees itself when
// it has ended, and hands progress to the main thread through Progress (connected blocking, so
// it waits until the handler has run).
class THTTPGetThread : public QThread {
    Q_OBJECT
public:
    explicit THTTPGetThread(std::shared_ptr<THTTPTransferState> state);

    static int Running() { return s_running; }

Q_SIGNALS:
    void Progress(qint64 totalSize, qint64 readed);
    // The transfer's outcome is written. Emitted before the worker stops counting as running, so
    // that once Running() is 0 every completion is in the main thread's queue.
    void Completed();

protected:
    void run() override;

private:
    std::shared_ptr<THTTPTransferState> m_state;
    static std::atomic<int> s_running;
};
