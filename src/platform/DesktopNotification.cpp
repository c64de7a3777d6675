#include "platform/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

void ShowDesktopNotification(const QString& summary, const QString& body) {
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service))
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/Notifications"), service, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("lumora")}};
    // Application name, no notification to replace, the program's icon, the texts, no actions, the
    // desktop's own timeout.
    call << QStringLiteral("Lumora") << 0u << QStringLiteral("lumora") << summary << body << QStringList()
         << hints << -1;
    bus.asyncCall(call);
}
