#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QStringList>

// What a panel hosting StatusNotifierItems (Plasma's and others') offers the programs of a session:
// the org.kde.StatusNotifierWatcher service, with a host registered. It records the items that
// register; showing them is the test's business.
class TStatusNotifierWatcherDouble : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

public:
    // Where an item lives on the bus.
    struct TItem {
        QString Service;
        QString Path;
    };

    // Takes the watcher's name on the bus and offers the watcher there; false when either fails.
    bool Register(QDBusConnection bus);
    const QList<TItem>& Items() const { return m_items; }

    QStringList RegisteredStatusNotifierItems() const;
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public Q_SLOTS:
    // An item names its service, or (as some programs do) only its object path on the caller's
    // connection.
    void RegisterStatusNotifierItem(const QString& serviceOrPath);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QList<TItem> m_items;
};
