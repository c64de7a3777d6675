#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (the end of the session, a kill, Ctrl+C) into a Qt signal on
// the main thread, so that the program can end as "Shut down" does and put the wallpaper back.
// The session manager's "die" at logout reaches the application as a quit event; it is taken here
// too (as signal 0), since a quit asks every window to close and a shown configuration window
// answers by hiding. A session checkpoint (saving the session) is not an end and is not heard here.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

    // False when the signals could not be caught; they then end the program as by default.
    bool IsWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // The signal's number; 0 for the session manager's end.
    void Received(int signalNumber);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadSignal();
    QSocketNotifier* m_notifier = nullptr;
};
