#include "core/AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>

namespace {

// Puts the finished temporary file in the place of `path`. Renaming over an existing file makes
// ext4 write the new file's blocks out at once (its guard for programs that never sync), which for
// a wallpaper bitmap costs more than writing it did. Swapping the two names instead is just as
// atomic and leaves the disk alone; the old content, now under the temporary name, is removed
// after. A new file, or a file system that cannot swap names, takes the plain rename.
bool ReplaceWith(const QString& temporary, const QString& path) {
    const QByteArray from = QFile::encodeName(temporary), to = QFile::encodeName(path);
#ifdef RENAME_EXCHANGE
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
        std::remove(from.constData());
        return true;
    }
#endif
    return std::rename(from.constData(), to.constData()) == 0;
}

// QSaveFile waits for the disk before it renames; a file that is written again and again (the
// wallpaper bitmaps, tens of megabytes each) need not.
QString WriteCached(const QString& path, const std::function<bool(QIODevice& file)>& write) {
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return file.errorString();
    if (!write(file) || !file.flush())
        return file.errorString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    if (!ReplaceWith(file.fileName(), path))
        return QStringLiteral("cannot replace %1").arg(path);
    file.setAutoRemove(false);
    return {};
}

} // namespace

QString WriteFileAtomically(const QString& path, const QByteArray& content) {
    return WriteFileAtomically(path,
                               [&content](QIODevice& file) { return file.write(content) == content.size(); });
}

QString WriteFileAtomically(const QString& path, const std::function<bool(QIODevice& file)>& write,
                            TFileDurability durability) {
    if (durability == TFileDurability::Cached)
        return WriteCached(path, write);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (!write(file)) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
