#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>

class TDesktop;

// The one thread that talks to the desktop. Its tools (xfconf-query, gsettings, Plasma's script
// over D-Bus, the X server) may take seconds to answer, or hang until their own time-outs; here they
// never hold up the windows, the tray menu or the timers. Jobs run one at a time, in the order they
// were asked: the user's wallpaper is remembered before the first install and put back after the
// last. While the worker runs, nothing else touches the backend.
class TDesktopWorker : public QObject {
public:
    using TJob = std::function<void(TDesktop&)>;

    // Starts the thread. `desktop` must outlive Stop().
    explicit TDesktopWorker(TDesktop& desktop, QObject* parent = nullptr);
    // Stops as Stop() does.
    ~TDesktopWorker() override;

    // Runs `job` on the worker's thread after every job asked before it. After Stop nothing runs.
    void Post(TJob job);

    // Runs `job` as Post does and hands what it returns to `done` on the thread that made the
    // worker, unless `context` is gone by then: a window destroyed meanwhile never hears a late result.
    template <class TAsk, class TDone> void Ask(TAsk job, QObject* context, TDone done) {
        Post([this, job = std::move(job), context = QPointer<QObject>(context),
              done = std::move(done)](TDesktop& desktop) {
            auto result = job(desktop);
            QMetaObject::invokeMethod(
                this,
                [context, done, result = std::move(result)] {
                    if (context)
                        done(result);
                },
                Qt::QueuedConnection);
        });
    }

    // Returns once every job asked before has run.
    void WaitForJobs();
    // Lets every job asked before run, then ends the thread; the backend is no longer touched. The
    // wait is bounded by the desktop tools' own time-outs.
    void Stop();

private:
    TDesktop& m_desktop;
    QThread m_thread;
    // Lives on m_thread and runs the jobs there; none once stopped.
    QObject* m_runner = nullptr;
};
