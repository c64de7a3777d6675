#include "platform/InstanceActivation.h"

#include "core/LogCategories.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const QString ApplicationId = QStringLiteral(LUMORA_APPSTREAM_ID);

// The object path the interface asks for: the id with "." as "/".
QString ObjectPath() {
    return u'/' + QString(ApplicationId).replace(u'.', u'/');
}

} // namespace

TInstanceActivation::TInstanceActivation(QObject* parent)
    : QObject(parent) {}

TInstanceActivation::~TInstanceActivation() {
    if (!m_listening)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(ObjectPath());
    bus.unregisterService(ApplicationId);
}

bool TInstanceActivation::Listen() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(ObjectPath(), this, QDBusConnection::ExportScriptableSlots))
        return false;
    if (!bus.registerService(ApplicationId)) {
        bus.unregisterObject(ObjectPath());
        return false;
    }
    m_listening = true;
    return true;
}

bool TInstanceActivation::AskRunningProgram() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Only a running program may answer: the id must not start a program of its own on the bus.
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(ApplicationId))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(ApplicationId, ObjectPath(),
                                                       QStringLiteral("org.freedesktop.Application"),
                                                       QStringLiteral("Activate"));
    QVariantMap platformData;
    const QByteArray startup = qgetenv("DESKTOP_STARTUP_ID");
    if (!startup.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), QString::fromUtf8(startup));
    call << platformData;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcProgram, "the running Lumora did not answer: %s", qPrintable(reply.errorMessage()));
        return false;
    }
    return true;
}

void TInstanceActivation::Activate(const QVariantMap&) {
    Q_EMIT Activated();
}
