#include "platform/desktop/DesktopWorker.h"

#include <QSemaphore>

TDesktopWorker::TDesktopWorker(TDesktop& desktop, QObject* parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_runner(new QObject) {
    m_thread.setObjectName(QStringLiteral("desktop"));
    m_runner->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_runner, &QObject::deleteLater);
    m_thread.start();
}

TDesktopWorker::~TDesktopWorker() {
    Stop();
}

void TDesktopWorker::Post(TJob job) {
    if (!m_runner)
        return;
    QMetaObject::invokeMethod(
        m_runner, [this, job = std::move(job)] { job(m_desktop); }, Qt::QueuedConnection);
}

void TDesktopWorker::WaitForJobs() {
    if (!m_runner)
        return;
    QSemaphore done;
    Post([&done](TDesktop&) { done.release(); });
    done.acquire();
}

void TDesktopWorker::Stop() {
    if (!m_runner)
        return;
    // Queued behind the jobs already asked, so that each of them still runs.
    Post([this](TDesktop&) { m_thread.quit(); });
    m_thread.wait();
    m_runner = nullptr;
}
