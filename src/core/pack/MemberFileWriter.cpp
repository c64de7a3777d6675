#include "core/pack/MemberFileWriter.h"

#include "core/AtomicFile.h"

#include <QFile>
#include <QIODevice>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr int SpareAttempts = 16;

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool WriteAll(int fd, const char* data, qsizetype length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= written;
    }
    return true;
}

// Whether no one but this descriptor has the file open, mapped included: a write lease is granted
// only then. The lease itself is not kept.
bool OpenHereAlone(int fd) {
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) != 0)
        return false;
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    return true;
}

// A plain file of ours that no other name shows and no one holds open: its storage may be taken for
// other content without anyone seeing it change. Returns its size, or -1 when it may not be taken.
qint64 SizeToTakeOver(int fd) {
    struct stat status {};
    const bool mayTake = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1 &&
                         status.st_uid == ::geteuid() && ::flistxattr(fd, nullptr, 0) == 0 &&
                         OpenHereAlone(fd);
    return mayTake ? qint64(status.st_size) : -1;
}

} // namespace

TMemberFileWriter::~TMemberFileWriter() {
    DropSpare();
}

QString TMemberFileWriter::Write(const QString& path, const std::function<bool(const TSink& sink)>& write) {
    const QByteArray target = QFile::encodeName(path);
    RemoveLeftoverSpares(target.left(std::max<qsizetype>(target.lastIndexOf('/'), 0)));
    struct stat existing {};
    const bool exists = ::lstat(target.constData(), &existing) == 0;
    if (target == m_spareName)
        DropSpare();
    if (exists && (!S_ISREG(existing.st_mode) || existing.st_nlink != 1)) {
        // Links and whatever is not a plain file are left to the ordinary replacement, which follows
        // a link to the file it names and refuses to replace a folder.
        return WriteFileAtomically(path, [&write](QIODevice& file) {
            return write(
                [&file](const char* data, qsizetype length) { return file.write(data, length) == length; });
        });
    }

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const mode_t mode = exists ? existing.st_mode & 0777 : 0;
    // The spare at hand serves every folder of its file system. Where the target lies on another
    // one, the content is made again in a spare of the target's own folder.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0)
            DropSpare();
        const int fd = SpareFor(folder);
        if (fd < 0)
            return SystemError();
        qint64 written = 0;
        const bool produced = write([fd, &written](const char* data, qsizetype length) {
            written += length;
            return WriteAll(fd, data, length);
        });
        // The spare may now reach as far as the content came, whole or not.
        m_spareSize = std::max(m_spareSize, written);
        if (!produced)
            return QStringLiteral("cannot write %1").arg(path);
        // The old bytes of a taken file were overwritten rather than freed first: pages and blocks
        // already there are used again. What lies past the new end goes now.
        if (m_spareSize > written && ::ftruncate(fd, written) != 0)
            return SystemError();
        m_spareSize = written;
        if (::fchmod(fd, exists ? mode : mode_t(m_newFileMode)) != 0 || ::fdatasync(fd) != 0)
            return SystemError();
        if (exists && ::renameat2(AT_FDCWD, m_spareName.constData(), AT_FDCWD, target.constData(),
                                  RENAME_EXCHANGE) == 0) {
            KeepReplaced();
            return {};
        }
        // Nothing to replace, or a file system that cannot swap two names.
        if (::rename(m_spareName.constData(), target.constData()) == 0) {
            ::close(m_spare);
            m_spare = -1;
            m_spareName.clear();
            return {};
        }
        if (errno != EXDEV)
            return SystemError();
    }
    return SystemError();
}

// A spare left by an unpack that was cut off (a crash, a kill) is nobody's: the first file written in
// a folder takes them away. The names are compared in code, as a name filter would load a regular
// expression engine that stays in the program's memory.
void TMemberFileWriter::RemoveLeftoverSpares(const QByteArray& folder) {
    if (!m_tidiedFolders.insert(folder).second)
        return;
    DIR* directory = ::opendir(folder.constData());
    if (!directory)
        return;
    while (const dirent* entry = ::readdir(directory)) {
        if (std::strncmp(entry->d_name, SparePrefix, std::strlen(SparePrefix)) == 0)
            ::unlinkat(::dirfd(directory), entry->d_name, 0);
    }
    ::closedir(directory);
}

int TMemberFileWriter::SpareFor(const QByteArray& folder) {
    if (m_spare >= 0 && ::lseek(m_spare, 0, SEEK_SET) == 0)
        return m_spare;
    DropSpare();
    for (int attempt = 0; attempt < SpareAttempts; ++attempt) {
        const QByteArray name =
            folder + '/' + SparePrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        m_spare = fd;
        m_spareName = name;
        m_spareSize = 0;
        struct stat status {};
        if (m_newFileMode < 0 && ::fstat(fd, &status) != 0)
            return -1;
        if (m_newFileMode < 0)
            m_newFileMode = int(status.st_mode & 0777);
        return fd;
    }
    return -1;
}

void TMemberFileWriter::KeepReplaced() {
    ::close(m_spare);
    m_spare = ::open(m_spareName.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    m_spareSize = m_spare >= 0 ? SizeToTakeOver(m_spare) : -1;
    if (m_spareSize >= 0)
        return;
    DropSpare();
}

void TMemberFileWriter::DropSpare() {
    if (m_spareName.isEmpty())
        return;
    if (m_spare >= 0)
        ::close(m_spare);
    ::unlink(m_spareName.constData());
    m_spare = -1;
    m_spareName.clear();
}
