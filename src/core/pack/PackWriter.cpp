#include "core/pack/PackWriter.h"

#include "core/AtomicFile.h"
#include "core/pack/ZLIBArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>
#include <zlib.h>

namespace {

constexpr qint64 MaxPackBytes = std::numeric_limits<qint32>::max();

QString TooLarge() {
    return QStringLiteral("the files come to more than %1 MB: the program would refuse the pack")
        .arg(TZLBArchive::MaxUnpackedBytes / (1024 * 1024));
}

// One zlib stream (header, deflate data, Adler-32) of the whole input.
QByteArray Deflate(const QByteArray& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    QByteArray stream(static_cast<qsizetype>(length), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(stream.data()), &length,
                  reinterpret_cast<const Bytef*>(data.constData()), static_cast<uLong>(data.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    stream.truncate(static_cast<qsizetype>(length));
    return stream;
}

// Appends one file as a member and fills its entry.
TResult<> AddMember(const QString& path, const QString& relativePath, const TPackWriteOptions& options,
                    QByteArray& pack, TZLBFileEntry& entry) {
    if (relativePath.contains(PackFormat::DirectorySeparator))
        return Failure(QStringLiteral("%1: names in a pack cannot contain \"\\\", its directory separator")
                           .arg(relativePath));
    QStringList parts = relativePath.split('/');
    const QByteArray name = QFile::encodeName(parts.takeLast());
    const QByteArray directory = QFile::encodeName(parts.join(PackFormat::DirectorySeparator));
    if (name.size() > PackFormat::MaxTextLength || directory.size() > PackFormat::MaxTextLength)
        return Failure(QStringLiteral("%1: a name or directory is longer than %2 bytes")
                           .arg(relativePath)
                           .arg(PackFormat::MaxTextLength));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    if (file.size() > TZLBArchive::MaxUnpackedBytes)
        return Failure(TooLarge());
    const QByteArray data = file.readAll();
    if (file.error() != QFile::NoError)
        return Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));

    QByteArray member = options.CompressMembers ? Deflate(data) : QByteArray();
    const bool stored = !options.CompressMembers || member.isEmpty() || member.size() >= data.size();
    if (stored)
        member = data;
    if (pack.size() + member.size() > MaxPackBytes)
        return Failure(QStringLiteral("the pack would be larger than 2 GB"));

    entry.SetFileName(name);
    entry.SetRelativeDirectory(directory);
    entry.SetSize(static_cast<qint32>(data.size()));
    entry.SetPackedSize(static_cast<qint32>(member.size()));
    entry.SetOffset(static_cast<qint32>(pack.size()));
    entry.SetCRC(PackCRC::Checksum(data));
    entry.SetStored(stored);
    pack += member;
    return {};
}

TResult<QByteArray> BuildPackExcluding(const QString& sourceDir, const TPackWriteOptions& options,
                                       const QString& excludedPath) {
    // excludedPath is canonical, or empty when nothing is to be left out.
    if (!QFileInfo(sourceDir).isDir())
        return Failure(QStringLiteral("%1 is not a directory").arg(sourceDir));

    TZLBArchive lister;
    lister.RecursePaths = true;
    QStringList files;
    lister.ListDirectory(sourceDir, files);
    if (!excludedPath.isEmpty())
        files.removeIf([&excludedPath](const QString& path) {
            return QFileInfo(path).canonicalFilePath() == excludedPath;
        });
    if (files.size() > TZLBArchive::MaxEntries)
        return Failure(QStringLiteral("more than %1 files: the program would refuse the pack")
                           .arg(TZLBArchive::MaxEntries));

    const QDir root(sourceDir);
    QByteArray pack;
    QByteArray directory;
    qint64 unpacked = 0;
    for (const QString& path : files) {
        TZLBFileEntry entry;
        if (const TResult<> added = AddMember(path, root.relativeFilePath(path), options, pack, entry);
            !added)
            return Failure(added.Error());
        unpacked += entry.Size();
        if (unpacked > TZLBArchive::MaxUnpackedBytes)
            return Failure(TooLarge());
        directory.append(entry.Bytes.data(), PackFormat::EntrySize);
    }

    const QByteArray storedDirectory = options.CompressDirectory ? Deflate(directory) : directory;
    if (options.CompressDirectory && storedDirectory.isEmpty())
        return Failure(QStringLiteral("cannot compress the directory"));
    if (pack.size() + storedDirectory.size() + PackFormat::TrailerSize > MaxPackBytes)
        return Failure(QStringLiteral("the pack would be larger than 2 GB"));

    TZLBTrailer trailer;
    trailer.SetEntryCount(static_cast<qint32>(files.size()));
    trailer.SetDirectoryOffset(static_cast<qint32>(pack.size()));
    trailer.SetDirectorySize(static_cast<qint32>(storedDirectory.size()));
    trailer.SetDirectoryCompressed(options.CompressDirectory);
    pack += storedDirectory;
    trailer.SetCRC(PackCRC::Checksum(pack));
    pack.append(trailer.Bytes.data(), PackFormat::TrailerSize);
    return pack;
}

} // namespace

TResult<QByteArray> BuildPack(const QString& sourceDir, const TPackWriteOptions& options) {
    return BuildPackExcluding(sourceDir, options, QString());
}

TResult<> WritePack(const QString& packPath, const QString& sourceDir, const TPackWriteOptions& options) {
    // A pack written into the folder it packs must not swallow its own previous version.
    const TResult<QByteArray> pack =
        BuildPackExcluding(sourceDir, options, QFileInfo(packPath).canonicalFilePath());
    if (!pack)
        return Failure(pack.Error());
    const QString writeError = WriteFileAtomically(packPath, *pack);
    if (!writeError.isEmpty())
        return Failure(QStringLiteral("cannot write %1: %2").arg(packPath, writeError));
    return {};
}
