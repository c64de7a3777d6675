#pragma once

#include "CatalogueStore.h"

#include <QString>
#include <memory>

// The database a command works on: --db, or the catalogue in the user's data folder, whose folder is
// created for it. A postgresql:// or postgres:// address is a PostgreSQL database; anything else is the
// path of a SQLite file, used as given, so a mistyped folder is reported, not created.
QString DefaultDatabasePath();

enum class TStoreAccess {
    Write,   // refused, with the reason, when the database takes no writes
    ReadOnly // a standby will do
};

std::unique_ptr<TCatalogueStore> OpenStore(const QString& location,
                                           TStoreAccess access = TStoreAccess::Write);
