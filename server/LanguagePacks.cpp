#include "LanguagePacks.h"

#include "CommandError.h"
#include "core/LanguageFile.h"
#include "core/pack/PackWriter.h"
#include "core/pack/ZLIBArchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

std::optional<qint64> LanguageFileVersion(const QByteArray& languageFile) {
    // Read exactly as Lumora reads an installed pack's version.
    return LanguageFile::DeclaredPackVersion(RecordText::SplitLines(languageFile));
}

QByteArray WithPackVersion(const QByteArray& languageFile, qint64 version) {
    const QByteArray versionLine = "version=" + QByteArray::number(version);
    QByteArray result;
    bool inGlobalBlock = false;
    bool replaced = false;
    qsizetype start = 0;
    while (start < languageFile.size()) {
        // A line ends with CR LF, LF or CR, as Lumora reads it; each keeps its own ending.
        qsizetype end = start;
        while (end < languageFile.size() && languageFile[end] != '\n' && languageFile[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < languageFile.size())
            next +=
                languageFile[next] == '\r' && next + 1 < languageFile.size() && languageFile[next + 1] == '\n'
                    ? 2
                    : 1;
        const QByteArray line = RecordText::TrimLine(languageFile.mid(start, end - start));
        if (!inGlobalBlock && line == RecordText::OpeningLine("global")) {
            inGlobalBlock = true;
        } else if (inGlobalBlock && line == "end") {
            inGlobalBlock = false;
        } else if (inGlobalBlock && RecordText::RecordKey(line) == "version") {
            result += versionLine + languageFile.mid(end, next - end);
            replaced = true;
            start = next;
            continue;
        }
        result += languageFile.mid(start, next - start);
        start = next;
    }
    if (!replaced)
        return RecordText::OpeningLine("global") + "\r\n" + versionLine + "\r\nend\r\n" + languageFile;
    return result;
}

namespace {

const QString LanguageFileName = QStringLiteral("properties.cam");

void CopyDirectory(const QString& from, const QString& to) {
    QDirIterator files(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target))
            throw TCommandError(QStringLiteral("cannot copy %1 to %2").arg(source, target));
    }
}

// The pack of a language directory; its members are stored as they are when compressing would leave
// a pack too small for Lumora to take.
QByteArray PackOf(const QString& directory) {
    TResult<QByteArray> built = BuildPack(directory, TPackWriteOptions{});
    if (built && built->size() <= SmallestFailedPackBytes)
        built = BuildPack(directory, TPackWriteOptions{false, false});
    if (!built)
        throw TCommandError(QStringLiteral("cannot build the pack: %1").arg(built.Error()));
    QByteArray pack = std::move(built).Value();
    if (pack.size() <= SmallestFailedPackBytes)
        throw TCommandError(
            QStringLiteral("the pack is %1 bytes: Lumora takes a pack of %2 bytes or less for a "
                           "failed download; add files to the language directory")
                .arg(pack.size())
                .arg(SmallestFailedPackBytes));
    return pack;
}

// Offers the files of `directory`, a scratch copy whose language file may be rewritten; `source`
// names where the files came from, for messages.
QString OfferFiles(TCatalogueStore& store, const TLanguageEntry& entry, const QString& directory,
                   const QString& source, std::optional<qint64> leastVersion) {
    QFile languageFile(QDir(directory).filePath(LanguageFileName));
    if (!languageFile.open(QIODevice::ReadOnly))
        throw TCommandError(QStringLiteral("%1 has no readable %2").arg(source, LanguageFileName));
    const QByteArray text = languageFile.readAll();
    languageFile.close();
    const std::optional<qint64> fileVersion = LanguageFileVersion(text);
    if (!fileVersion && !leastVersion)
        throw TCommandError(QStringLiteral("%1: the global block of %2 names no version "
                                           "(a line \"version=\" and a number)")
                                .arg(source, LanguageFileName));
    const qint64 wanted = std::max(fileVersion.value_or(0), leastVersion.value_or(0));
    if (entry.RefID < 0 || wanted < 0)
        throw TCommandError(QStringLiteral("language numbers and pack versions are 0 or more"));

    const auto packWithVersion = [&](qint64 version) {
        const QByteArray stamped = WithPackVersion(text, version);
        if (LanguageFileVersion(stamped) != version)
            throw TCommandError(
                QStringLiteral("%1: cannot write version %2 into %3 so that Lumora reads it back; check "
                               "its global blocks")
                    .arg(source)
                    .arg(version)
                    .arg(LanguageFileName));
        QFile file(languageFile.fileName());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(stamped) != stamped.size())
            throw TCommandError(QStringLiteral("cannot write %1").arg(file.fileName()));
        file.close();
        return PackOf(directory);
    };

    QString outcome;
    store.Transaction([&] {
        const std::optional<TStoredLanguage> current = store.Language(entry.RefID);
        qint64 version = wanted;
        QByteArray pack;
        QString raised;
        if (current && current->PackVersion >= wanted) {
            // Clients that have today's pack keep it unless the files changed: then the version must
            // grow, or they would never fetch the new pack.
            version = current->PackVersion;
            pack = packWithVersion(version);
            if (store.Pack(entry.RefID, version) != pack) {
                ++version;
                pack = packWithVersion(version);
                raised =
                    QStringLiteral(", raised from %1 because its files changed").arg(current->PackVersion);
            } else if (current->Name == entry.Name && current->Webpage == entry.Webpage) {
                outcome = QStringLiteral("language %1 is unchanged (pack version %2)")
                              .arg(entry.RefID)
                              .arg(version);
                return;
            }
        } else {
            pack = packWithVersion(version);
        }
        TStoredLanguage language;
        language.RefID = entry.RefID;
        language.Name = entry.Name;
        language.Webpage = entry.Webpage;
        language.PackVersion = version;
        language.PackUrl =
            "/packs/lang" + QByteArray::number(entry.RefID) + "-v" + QByteArray::number(version) + ".pak";
        store.PutLanguage(language, pack);
        outcome = QStringLiteral("language %1 \"%2\" offers pack version %3%4 (%5 bytes)")
                      .arg(entry.RefID)
                      .arg(QString::fromUtf8(entry.Name))
                      .arg(version)
                      .arg(raised)
                      .arg(pack.size());
    });
    return outcome;
}

QTemporaryDir ScratchFolder() {
    QTemporaryDir folder;
    if (!folder.isValid())
        throw TCommandError(QStringLiteral("cannot make a temporary folder: %1").arg(folder.errorString()));
    return folder;
}

} // namespace

QString AddLanguageFromDirectory(TCatalogueStore& store, const TLanguageEntry& entry,
                                 const QString& directory, std::optional<qint64> leastVersion) {
    if (!QFileInfo(directory).isDir())
        throw TCommandError(QStringLiteral("%1 is not a directory").arg(directory));
    const QTemporaryDir scratch = ScratchFolder();
    const QString copy = scratch.filePath(QStringLiteral("lang"));
    CopyDirectory(QFileInfo(directory).absoluteFilePath(), copy);
    return OfferFiles(store, entry, copy, directory, leastVersion);
}

QString AddLanguageFromPack(TCatalogueStore& store, const TLanguageEntry& entry, const QByteArray& pack,
                            std::optional<qint64> leastVersion) {
    const QTemporaryDir scratch = ScratchFolder();
    const QString packFile = scratch.filePath(QStringLiteral("pack.pak"));
    QFile file(packFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(pack) != pack.size())
        throw TCommandError(QStringLiteral("cannot write %1").arg(packFile));
    file.close();
    const QString unpacked = scratch.filePath(QStringLiteral("lang"));
    TZLBArchive archive;
    archive.ExtractWithPath = true;
    archive.CheckCRC = true;
    const TResult<bool> opened = archive.OpenArchive(packFile);
    const TResult<> unpackedAll =
        opened.Ok() ? archive.ExtractFiles(unpacked + QLatin1Char('/')) : Failure(opened.Error());
    if (!unpackedAll)
        throw TCommandError(QStringLiteral("the pack cannot be unpacked: %1").arg(unpackedAll.Error()));
    return OfferFiles(store, entry, unpacked, QStringLiteral("the pack"), leastVersion);
}
