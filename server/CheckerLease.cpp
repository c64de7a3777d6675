#include "CheckerLease.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class TFileLease : public TCheckerLease {
public:
    explicit TFileLease(const QString& path)
        : m_path(QFile::encodeName(path)) {}
    ~TFileLease() override {
        if (m_file >= 0)
            ::close(m_file);
    }

    bool Hold() override {
        if (m_held)
            return true;
        // A lock needs no write access: a file that another user made (an administrator's command
        // run as root) is locked all the same.
        if (m_file < 0)
            m_file = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_file < 0)
            m_file = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
        m_held = m_file >= 0 && ::flock(m_file, LOCK_EX | LOCK_NB) == 0;
        return m_held;
    }

private:
    const QByteArray m_path;
    int m_file = -1;
    bool m_held = false;
};

} // namespace

std::unique_ptr<TCheckerLease> FileLease(const QString& path) {
    return std::make_unique<TFileLease>(path);
}
