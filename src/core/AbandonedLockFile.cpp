#include "core/AbandonedLockFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <algorithm>

namespace {

// A living owner fills its lock file within microseconds of creating it.
constexpr qint64 FillTimeMs = 1000;

bool IsUnfilled(const QFileInfo& info) {
    return info.isFile() && info.size() == 0;
}

bool RemoveIfAbandoned(const QString& lockPath) {
    const QFileInfo found(lockPath);
    if (!IsUnfilled(found))
        return false;
    const qint64 age = found.lastModified().msecsTo(QDateTime::currentDateTime());
    // A clock set back makes a file look younger than it is: never wait longer than the fill time.
    if (age < FillTimeMs)
        QThread::msleep(std::clamp(FillTimeMs - age, qint64(0), FillTimeMs));
    if (!IsUnfilled(QFileInfo(lockPath)))
        return false;
    // Removes the file only when no process holds its system lock, which a living owner takes right after
    // creating the file.
    QLockFile lock(lockPath);
    return lock.removeStaleLockFile();
}

} // namespace

bool RemoveAbandonedLockFile(const QString& lockPath) {
    // Qt removes a dead owner's lock under a second lock file, which a kill can abandon in the same way.
    RemoveIfAbandoned(lockPath + QStringLiteral(".rmlock"));
    return RemoveIfAbandoned(lockPath);
}
