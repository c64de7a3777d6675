#pragma once

#include "CatalogueStore.h"

#include <QString>
#include <memory>

// The database a command works on: --db, or the catalogue in the user's data folder, whose folder is
// created for it. An explicit path is used as given, so a mistyped folder is reported, not created.
QString DefaultDatabasePath();
std::unique_ptr<TCatalogueStore> OpenStore(const QString& explicitPath);
