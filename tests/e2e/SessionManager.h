#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <map>

class QSocketNotifier;
typedef struct _IceConn* IceConn;
typedef struct _IceListenObj* IceListenObj;
typedef struct _SmsConn* SmsConn;

// A session manager of the test's own, speaking the X session management protocol (XSMP) on a
// local socket as a desktop's session manager does: it registers the programs that connect, asks
// them to save their state, at a checkpoint or before the session ends, and tells them to die.
// Only programs on this machine may connect. One per process: the protocol library is global.
class TSessionManager : public QObject {
    Q_OBJECT
public:
    TSessionManager();
    ~TSessionManager() override;

    // Where programs reach it, as SESSION_MANAGER gives it to them; empty when it does not listen.
    QByteArray Address() const { return m_address; }
    // How many programs registered so far, and how many of them are still connected.
    int Registrations() const { return m_registrations; }
    qsizetype Clients() const { return m_clients.size(); }
    // How many "save yourself" the programs have answered with a successful "done" so far.
    int SavesDone() const { return m_savesDone; }

    // Asks every program to save, both its state and its data (Qt's commitDataRequest), as a desktop
    // does when the user saves the session or logs out: at a checkpoint the session goes on, before
    // its end (`shutdown`) the program is to expect "die" next.
    void SaveYourself(bool shutdown);
    void Die();

private:
    void Accept(IceListenObj listener);
    void Process(IceConn connection);
    void Forget(SmsConn client);
    void Close(IceConn connection);

    int m_listenerCount = 0;
    IceListenObj* m_listeners = nullptr;
    QByteArray m_address;
    std::map<IceConn, QSocketNotifier*> m_connections;
    QList<SmsConn> m_clients;
    int m_registrations = 0;
    int m_savesDone = 0;

    friend struct TSessionManagerCallbacks;
};
