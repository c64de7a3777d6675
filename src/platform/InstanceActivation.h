#pragma once

#include <QObject>
#include <QVariantMap>

// How a second start reaches the running program: the running one owns the program's application
// id on the session bus and answers org.freedesktop.Application's Activate there, as desktops
// activate programs too. A second start asks it to show itself and then ends.
class TInstanceActivation : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit TInstanceActivation(QObject* parent = nullptr);
    ~TInstanceActivation() override;

    // Takes the application id on the session bus; false without a bus or when the id is taken.
    bool Listen();

    // From a second start: asks the running program to show its window. False when no program
    // answered on the session bus.
    static bool AskRunningProgram();

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);

Q_SIGNALS:
    // Someone asked to see the program.
    void Activated();

private:
    bool m_listening = false;
};
