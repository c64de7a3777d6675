#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (the end of the session, a kill, Ctrl+C) into a Qt signal on
// the main thread, so that the program can end as "Shut down" does and put the wallpaper back.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

    // False when the signals could not be caught; they then end the program as by default.
    bool IsWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void Received(int signalNumber);

private:
    void ReadSignal();
    QSocketNotifier* m_notifier = nullptr;
};
