#include "platform/SingleInstance.h"

#include "core/AbandonedLockFile.h"

#include <QDir>
#include <QStandardPaths>

TSingleInstance::TSingleInstance(const QString& name) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    m_path = folder + QLatin1Char('/') + name + QStringLiteral(".lock");
}

QString TSingleInstance::LockPath() const {
    return m_path;
}

bool TSingleInstance::TryAcquire() {
    if (m_lock && m_lock->isLocked())
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    // A running program may hold its lock for weeks: only a dead owner makes it stale, never age.
    m_lock->setStaleLockTime(0);
    RemoveAbandonedLockFile(m_path);
    return m_lock->tryLock(0);
}
