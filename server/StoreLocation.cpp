#include "StoreLocation.h"

#include "CommandError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString DefaultDatabasePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lumora-server/catalogue.db");
}

std::unique_ptr<TCatalogueStore> OpenStore(const QString& explicitPath) {
    QString path = explicitPath;
    if (path.isEmpty()) {
        path = DefaultDatabasePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    try {
        return std::make_unique<TCatalogueStore>(path);
    } catch (const TStoreError& error) {
        throw TCommandError(QString::fromStdString(error.what()));
    }
}
