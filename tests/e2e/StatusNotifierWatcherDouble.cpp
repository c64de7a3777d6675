#include "StatusNotifierWatcherDouble.h"

#include <QDBusConnectionInterface>

bool TStatusNotifierWatcherDouble::Register(QDBusConnection bus) {
    return bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                  QDBusConnection::ExportAllProperties) &&
           bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

QStringList TStatusNotifierWatcherDouble::RegisteredStatusNotifierItems() const {
    QStringList names;
    for (const TItem& item : m_items)
        names << item.Service + item.Path;
    return names;
}

void TStatusNotifierWatcherDouble::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    const bool pathOnly = serviceOrPath.startsWith(QLatin1Char('/'));
    const TItem item{pathOnly ? message().service() : serviceOrPath,
                     pathOnly ? serviceOrPath : QStringLiteral("/StatusNotifierItem")};
    m_items << item;
    Q_EMIT StatusNotifierItemRegistered(item.Service + item.Path);
}

void TStatusNotifierWatcherDouble::RegisterStatusNotifierHost(const QString&) {
    Q_EMIT StatusNotifierHostRegistered();
}
