#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One running program per user: a lock named after the program's guard word ("lmr") in the user's
// runtime folder. The lock of a process that died is taken over; the lock of a running one is not,
// however long it has been held.
class TSingleInstance {
public:
    explicit TSingleInstance(const QString& name);

    // True when this process now holds the lock (until it ends or the object is destroyed).
    bool TryAcquire();

    QString LockPath() const;

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
