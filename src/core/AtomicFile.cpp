#include "core/AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>

namespace {

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
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
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
