#pragma once

#include "CatalogueStore.h"

#include <QString>
#include <optional>

// Lumora treats a downloaded pack of this size or less as a failed download.
constexpr qint64 SmallestFailedPackBytes = 20000;

// The pack version a language file gives in its global block ("version="), as Lumora reads it:
// within a block the first version line counts, and the last block that has one wins.
std::optional<qint64> LanguageFileVersion(const QByteArray& languageFile);

// The language file with every version line of its global blocks saying `version` (a global block
// is added at the start when none names one). Everything else stays byte for byte.
QByteArray WithPackVersion(const QByteArray& languageFile, qint64 version);

struct TLanguageEntry {
    qint64 RefID = 0;
    QByteArray Name;
    QByteArray Webpage;
};

// Offers the files of a language directory as the language's pack. Lumora installs a pack only when
// the offered version is above the one in its installed language file, so the server writes the
// version it offers into the pack's language file, and raises it by itself when the files differ
// from the pack offered today: the version is the one of the directory's language file (or
// leastVersion when that is higher), and at least one more than today's when the pack changed.
// Returns what was done; throws TCommandError when the directory, its version or the pack cannot be
// used. The directory itself is never changed.
QString AddLanguageFromDirectory(TCatalogueStore& store, const TLanguageEntry& entry,
                                 const QString& directory, std::optional<qint64> leastVersion = std::nullopt);

// The same for the files of a ready-made pack (as lumora-pack writes it).
QString AddLanguageFromPack(TCatalogueStore& store, const TLanguageEntry& entry, const QByteArray& pack,
                            std::optional<qint64> leastVersion = std::nullopt);
