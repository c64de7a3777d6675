#include "StoreLocation.h"

#include "CommandError.h"
#include "PostgresConnection.h"
#include "SqliteConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString DefaultDatabasePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lumora-server/catalogue.db");
}

namespace {

std::unique_ptr<TSqlConnection> Connect(const QString& location) {
    if (IsPostgresUri(location))
        return std::make_unique<TPostgresConnection>(location);
    return std::make_unique<TSqliteConnection>(location);
}

} // namespace

std::unique_ptr<TCatalogueStore> OpenStore(const QString& location, TStoreAccess access) {
    QString path = location;
    if (path.isEmpty()) {
        path = DefaultDatabasePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    std::unique_ptr<TCatalogueStore> store;
    try {
        store = std::make_unique<TCatalogueStore>(Connect(path));
    } catch (const TStoreError& error) {
        throw TCommandError(QString::fromStdString(error.what()));
    }
    if (access == TStoreAccess::Write && store->ReadOnly())
        throw TCommandError(
            QStringLiteral("the database %1 is read-only (a standby, or read-only by its settings): "
                           "changes and suggestions are stored on its primary")
                .arg(PrintableLocation(path)));
    return store;
}
