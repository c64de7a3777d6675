#include "platform/DataFolderMove.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>

namespace {

bool CopyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    QDirIterator entries(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        const QString target = to + QLatin1Char('/') + entry.fileName();
        const bool copied = entry.isDir() && !entry.isSymLink() ? CopyTree(entry.filePath(), target)
                                                                : QFile::copy(entry.filePath(), target);
        if (!copied)
            return false;
    }
    return true;
}

} // namespace

TResult<bool> MoveOldDataFolder(const QString& oldFolder, const QString& newFolder) {
    if (!QFileInfo(oldFolder).isDir() || QFileInfo::exists(newFolder))
        return false;
    if (!QDir().mkpath(QFileInfo(newFolder).absolutePath()))
        return Failure(QStringLiteral("cannot make the folder of %1").arg(newFolder));
    // One rename on the same file system: the folder is either still old or wholly moved.
    if (std::rename(QFile::encodeName(oldFolder).constData(), QFile::encodeName(newFolder).constData()) == 0)
        return true;
    if (errno != EXDEV)
        return Failure(
            QStringLiteral("cannot move %1 to %2: %3").arg(oldFolder, newFolder, qt_error_string(errno)));
    // Another file system: a full copy beside the target first, which becomes the target in one
    // rename, and only then the old folder goes.
    const QString copy = newFolder + QStringLiteral(".moving");
    QDir(copy).removeRecursively();
    if (!CopyTree(oldFolder, copy)) {
        QDir(copy).removeRecursively();
        return Failure(QStringLiteral("cannot copy %1 to %2").arg(oldFolder, copy));
    }
    if (std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(newFolder).constData()) != 0) {
        QDir(copy).removeRecursively();
        return Failure(
            QStringLiteral("cannot move %1 to %2: %3").arg(copy, newFolder, qt_error_string(errno)));
    }
    QDir(oldFolder).removeRecursively();
    return true;
}
