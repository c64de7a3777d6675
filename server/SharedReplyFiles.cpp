#include "SharedReplyFiles.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int SealedFileOf(const QByteArray& bytes) {
    const int file = ::memfd_create("lumora-reply", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (file < 0)
        return -1;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(file, bytes.constData() + written, std::size_t(bytes.size() - written));
        if (step <= 0) {
            ::close(file);
            return -1;
        }
        written += step;
    }
    // Nothing can change the bytes while connections are sending them.
    ::fcntl(file, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return file;
}

} // namespace

TSharedReplyFiles::~TSharedReplyFiles() {
    for (const auto& [body, file] : m_files)
        ::close(file);
}

int TSharedReplyFiles::Open(const std::shared_ptr<const QByteArray>& body) {
    std::lock_guard lock(m_mutex);
    for (auto kept = m_files.begin(); kept != m_files.end();) {
        if (kept->first.expired()) {
            ::close(kept->second);
            kept = m_files.erase(kept);
        } else {
            ++kept;
        }
    }
    auto [kept, added] = m_files.try_emplace(body, -1);
    if (added)
        kept->second = SealedFileOf(*body);
    if (kept->second < 0) {
        m_files.erase(kept);
        return -1;
    }
    return ::fcntl(kept->second, F_DUPFD_CLOEXEC, 0);
}
