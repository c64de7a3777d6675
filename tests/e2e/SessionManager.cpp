#include "SessionManager.h"

#include <QSocketNotifier>
#include <QtDebug>
#include <X11/SM/SMlib.h>
#include <cstdlib>
#include <cstring>

// The transport library's switch that keeps a listener off TCP; session managers that only serve
// their own machine use it, as the library offers no public one.
extern "C" int _IceTransNoListen(const char* protocol);

namespace {

// Programs on this machine only: the listener has no TCP transport, and this refuses anything else.
Bool OnThisMachine(char* peer) {
    return peer && (std::strncmp(peer, "local/", 6) == 0 || std::strncmp(peer, "unix/", 5) == 0);
}

// The library's own handlers end the process on a broken connection; a program that ends is no error.
void IgnoreBrokenConnection(IceConn) {}

void ReportIceError(IceConn, Bool, int minorOpcode, unsigned long, int errorClass, int severity, IcePointer) {
    qWarning("ICE error %d (severity %d) on message %d", errorClass, severity, minorOpcode);
}

void ReportSmError(SmsConn, Bool, int minorOpcode, unsigned long, int errorClass, int severity, SmPointer) {
    qWarning("XSMP error %d (severity %d) on message %d", errorClass, severity, minorOpcode);
}

} // namespace

struct TSessionManagerCallbacks {
    static TSessionManager& Manager(SmPointer data) { return *static_cast<TSessionManager*>(data); }

    static Status NewClient(SmsConn, SmPointer manager, unsigned long* mask, SmsCallbacks* callbacks,
                            char**) {
        *callbacks = {};
        callbacks->register_client = {RegisterClient, manager};
        callbacks->interact_request = {[](SmsConn, SmPointer, int) {}, manager};
        callbacks->interact_done = {[](SmsConn, SmPointer, Bool) {}, manager};
        callbacks->save_yourself_request = {[](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}, manager};
        callbacks->save_yourself_phase2_request = {[](SmsConn c, SmPointer) { SmsSaveYourselfPhase2(c); },
                                                   manager};
        callbacks->save_yourself_done = {SaveYourselfDone, manager};
        callbacks->close_connection = {CloseConnection, manager};
        callbacks->set_properties = {SetProperties, manager};
        callbacks->delete_properties = {DeleteProperties, manager};
        callbacks->get_properties = {[](SmsConn c, SmPointer) { SmsReturnProperties(c, 0, nullptr); },
                                     manager};
        *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
                SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
                SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
                SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
        return 1;
    }

    static Status RegisterClient(SmsConn client, SmPointer manager, char* previousId) {
        // A program that was not in a saved session starts afresh: it gets a new id, and then, as the
        // protocol asks of a manager, a first "save yourself" that makes it part of the session.
        const bool fresh = !previousId || !*previousId;
        std::free(previousId);
        char* id = SmsGenerateClientID(client);
        const Status registered = id && SmsRegisterClientReply(client, id);
        std::free(id);
        if (!registered)
            return 0;
        Manager(manager).m_clients.append(client);
        ++Manager(manager).m_registrations;
        if (fresh)
            SmsSaveYourself(client, SmSaveLocal, False, SmInteractStyleNone, False);
        return 1;
    }

    static void SaveYourselfDone(SmsConn, SmPointer manager, Bool success) {
        if (success)
            ++Manager(manager).m_savesDone;
    }

    static void CloseConnection(SmsConn client, SmPointer manager, int count, char** reasons) {
        SmFreeReasons(count, reasons);
        IceConn connection = SmsGetIceConnection(client);
        Manager(manager).Forget(client);
        Manager(manager).Close(connection);
    }

    static void SetProperties(SmsConn, SmPointer, int count, SmProp** properties) {
        for (int i = 0; i < count; ++i)
            SmFreeProperty(properties[i]);
        std::free(properties);
    }

    static void DeleteProperties(SmsConn, SmPointer, int count, char** names) {
        for (int i = 0; i < count; ++i)
            std::free(names[i]);
        std::free(names);
    }
};

TSessionManager::TSessionManager() {
    IceSetIOErrorHandler(IgnoreBrokenConnection);
    IceSetErrorHandler(ReportIceError);
    SmsSetErrorHandler(ReportSmError);
    char error[256] = {};
    if (!SmsInitialize("Lumora tests", "1.0", TSessionManagerCallbacks::NewClient, this, OnThisMachine,
                       sizeof error, error)) {
        qWarning("no session manager: %s", error);
        return;
    }
    _IceTransNoListen("tcp");
    if (!IceListenForConnections(&m_listenerCount, &m_listeners, sizeof error, error)) {
        qWarning("the session manager cannot listen: %s", error);
        return;
    }
    for (int i = 0; i < m_listenerCount; ++i) {
        IceListenObj listener = m_listeners[i];
        IceSetHostBasedAuthProc(listener, OnThisMachine);
        auto* notifier =
            new QSocketNotifier(IceGetListenConnectionNumber(listener), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, listener] { Accept(listener); });
    }
    char* address = IceComposeNetworkIdList(m_listenerCount, m_listeners);
    m_address = address;
    std::free(address);
}

TSessionManager::~TSessionManager() {
    for (SmsConn client : QList<SmsConn>(m_clients))
        Forget(client);
    while (!m_connections.empty())
        Close(m_connections.begin()->first);
    if (m_listeners)
        IceFreeListenObjs(m_listenerCount, m_listeners);
}

void TSessionManager::SaveYourself(bool shutdown) {
    for (SmsConn client : std::as_const(m_clients)) {
        SmsSaveYourself(client, SmSaveBoth, shutdown ? True : False, SmInteractStyleNone, False);
        IceFlush(SmsGetIceConnection(client));
    }
}

void TSessionManager::Die() {
    for (SmsConn client : std::as_const(m_clients)) {
        SmsDie(client);
        IceFlush(SmsGetIceConnection(client));
    }
}

void TSessionManager::Accept(IceListenObj listener) {
    IceAcceptStatus status = IceAcceptFailure;
    IceConn connection = IceAcceptConnection(listener, &status);
    if (!connection || status != IceAcceptSuccess)
        return;
    auto* notifier = new QSocketNotifier(IceConnectionNumber(connection), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, connection] { Process(connection); });
    m_connections[connection] = notifier;
}

void TSessionManager::Process(IceConn connection) {
    switch (IceProcessMessages(connection, nullptr, nullptr)) {
    case IceProcessMessagesSuccess:
        return;
    case IceProcessMessagesIOError:
        // The program went without saying goodbye.
        for (SmsConn client : QList<SmsConn>(m_clients)) {
            if (SmsGetIceConnection(client) == connection)
                Forget(client);
        }
        Close(connection);
        return;
    case IceProcessMessagesConnectionClosed:
        // Closed and freed by the library already; only its watch is left.
        if (auto found = m_connections.find(connection); found != m_connections.end()) {
            found->second->setEnabled(false);
            found->second->deleteLater();
            m_connections.erase(found);
        }
        return;
    }
}

void TSessionManager::Forget(SmsConn client) {
    m_clients.removeOne(client);
    SmsCleanUp(client);
}

void TSessionManager::Close(IceConn connection) {
    if (auto found = m_connections.find(connection); found != m_connections.end()) {
        found->second->setEnabled(false);
        found->second->deleteLater();
        m_connections.erase(found);
    }
    IceSetShutdownNegotiation(connection, False);
    IceCloseConnection(connection);
}
