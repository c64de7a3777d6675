#pragma once

#include "CatalogueStore.h"

#include <QString>
#include <optional>

// Lumora treats a downloaded pack of this size or less as a failed download.
constexpr qint64 SmallestFailedPackBytes = 20000;

// The pack version a language file gives in its global block ("version="), as Lumora reads it:
// within a block the first version line counts, and the last block that has one wins.
std::optional<qint64> LanguageFileVersion(const QByteArray& languageFile);

struct TLanguageEntry {
    qint64 RefID = 0;
    QByteArray Name;
    QByteArray Webpage;
};

// Builds the pack of a language directory and offers it under the version its language file names,
// which is what Lumora compares with the version of an installed pack. Returns what was done;
// throws TCommandError when the directory, its version or the pack cannot be used.
QString AddLanguageFromDirectory(TCatalogueStore& store, const TLanguageEntry& entry,
                                 const QString& directory);

// Offers a ready-made pack under the given version.
QString AddLanguagePack(TCatalogueStore& store, const TLanguageEntry& entry, const QByteArray& pack,
                        qint64 version);
