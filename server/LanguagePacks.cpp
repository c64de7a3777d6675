#include "LanguagePacks.h"

#include "CommandError.h"
#include "i18n/PackWriter.h"

#include <QDir>
#include <QFile>

std::optional<qint64> LanguageFileVersion(const QByteArray& languageFile) {
    std::optional<qint64> version;
    bool versionInBlock = false;
    RecordText::ReadRecords(
        RecordText::SplitLines(languageFile), "global", RecordText::ReadMode::Trimmed,
        [&] { versionInBlock = false; },
        [&](const QByteArray& line) {
            if (!versionInBlock && RecordText::RecordKey(line) == "version") {
                bool ok = false;
                const qint64 number = RecordText::RecordValue(line).toLongLong(&ok, 10);
                if (ok)
                    version = number;
                versionInBlock = true;
            }
            return true;
        });
    return version;
}

QString AddLanguageFromDirectory(TCatalogueStore& store, const TLanguageEntry& entry,
                                 const QString& directory) {
    QFile languageFile(QDir(directory).filePath(QStringLiteral("properties.cam")));
    if (!languageFile.open(QIODevice::ReadOnly))
        throw TCommandError(QStringLiteral("%1 has no readable properties.cam").arg(directory));
    const std::optional<qint64> version = LanguageFileVersion(languageFile.readAll());
    if (!version)
        throw TCommandError(QStringLiteral("%1: the global block of properties.cam names no version "
                                           "(a line \"version=\" and a number)")
                                .arg(languageFile.fileName()));

    QString error;
    QByteArray pack = BuildPack(directory, TPackWriteOptions{}, &error);
    if (!error.isEmpty())
        throw TCommandError(QStringLiteral("cannot build the pack of %1: %2").arg(directory, error));
    if (pack.size() <= SmallestFailedPackBytes) {
        // Lumora refuses a pack this small: the same files stored without compression may pass.
        pack = BuildPack(directory, TPackWriteOptions{false, false}, &error);
        if (!error.isEmpty())
            throw TCommandError(QStringLiteral("cannot build the pack of %1: %2").arg(directory, error));
    }
    return AddLanguagePack(store, entry, pack, *version);
}

QString AddLanguagePack(TCatalogueStore& store, const TLanguageEntry& entry, const QByteArray& pack,
                        qint64 version) {
    if (pack.size() <= SmallestFailedPackBytes)
        throw TCommandError(
            QStringLiteral("the pack is %1 bytes: Lumora takes a pack of %2 bytes or less for a "
                           "failed download; add files to the language directory")
                .arg(pack.size())
                .arg(SmallestFailedPackBytes));
    if (entry.RefID < 0 || version < 0)
        throw TCommandError(QStringLiteral("language numbers and pack versions are 0 or more"));

    QString outcome;
    store.Transaction([&] {
        const std::optional<TStoredLanguage> current = store.Language(entry.RefID);
        if (current && current->PackVersion > version)
            throw TCommandError(QStringLiteral("language %1 already offers pack version %2; version %3 would "
                                               "never reach the clients that have it")
                                    .arg(entry.RefID)
                                    .arg(current->PackVersion)
                                    .arg(version));
        if (current && current->PackVersion == version) {
            const std::optional<QByteArray> stored = store.Pack(entry.RefID, version);
            if (stored && *stored != pack)
                throw TCommandError(
                    QStringLiteral("language %1 already offers a different pack with version %2: "
                                   "Lumora installs a pack only when its version grows, so "
                                   "raise the version in the global block")
                        .arg(entry.RefID)
                        .arg(version));
        }
        TStoredLanguage language;
        language.RefID = entry.RefID;
        language.Name = entry.Name;
        language.Webpage = entry.Webpage;
        language.PackVersion = version;
        language.PackUrl =
            "/packs/lang" + QByteArray::number(entry.RefID) + "-v" + QByteArray::number(version) + ".pak";
        const bool unchanged = current && current->PackVersion == version && current->Name == language.Name &&
                               current->Webpage == language.Webpage;
        if (unchanged) {
            outcome =
                QStringLiteral("language %1 is unchanged (pack version %2)").arg(entry.RefID).arg(version);
            return;
        }
        store.PutLanguage(language, pack);
        outcome = QStringLiteral("language %1 \"%2\" offers pack version %3 (%4 bytes)")
                      .arg(entry.RefID)
                      .arg(QString::fromUtf8(entry.Name))
                      .arg(version)
                      .arg(pack.size());
    });
    return outcome;
}
