#include "SharedReplies.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <microhttpd.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

bool WriteAll(int file, const QByteArray& bytes) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(file, bytes.constData() + written, std::size_t(bytes.size() - written));
        if (step <= 0)
            return false;
        written += step;
    }
    return true;
}

// An unnamed file in the temporary folder, which nobody else can open. The page cache of a disk file
// system holds it in large folios, so sendfile hands each socket a few large pieces where an in-memory
// file gives one piece per page: about a fifth less work per answer. Where the folder cannot hold
// unnamed files, a sealed in-memory file serves.
int ReplyFileOf(const QByteArray& bytes) {
    int file = ::open(QFile::encodeName(QDir::tempPath()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    const bool inMemory = file < 0;
    if (inMemory)
        file = ::memfd_create("lumora-reply", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (file < 0)
        return -1;
    if (!WriteAll(file, bytes)) {
        ::close(file);
        return -1;
    }
    // Nothing can change the bytes while connections are sending them.
    if (inMemory)
        ::fcntl(file, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return file;
}

// The library closes its own descriptor of the file when the answer's last user lets it go.
MHD_Response* AnswerFromFile(int file, const THttpResponse& response) {
    const int own = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return nullptr;
    MHD_Response* reply = MHD_create_response_from_fd(std::size_t(response.Body->size()), own);
    if (reply == nullptr) {
        ::close(own);
        return nullptr;
    }
    AddHead(reply, response);
    return reply;
}

} // namespace

void AddHead(MHD_Response* reply, const THttpResponse& response) {
    MHD_add_response_header(reply, MHD_HTTP_HEADER_CONTENT_TYPE, response.ContentType.c_str());
    for (const auto& [name, value] : response.Headers)
        MHD_add_response_header(reply, name.c_str(), value.c_str());
}

TSharedReplies::TShared::~TShared() {
    for (MHD_Response* reply : Replies) {
        if (reply != nullptr)
            MHD_destroy_response(reply);
    }
    if (File >= 0)
        ::close(File);
}

TSharedReplies::~TSharedReplies() = default;

MHD_Response* TSharedReplies::Find(const THttpResponse& response, std::size_t worker) {
    std::lock_guard lock(m_mutex);
    auto [kept, added] = m_replies.try_emplace(response.Body);
    TShared& shared = kept->second;
    if (added) {
        // A new body replaces an old one: only then can a kept answer have lost its body.
        std::erase_if(m_replies, [](const auto& entry) { return entry.first.expired(); });
        shared.File = ReplyFileOf(*response.Body);
        shared.ContentType = response.ContentType;
        shared.Headers = response.Headers;
    }
    if (shared.File < 0) {
        m_replies.erase(kept);
        return nullptr;
    }
    if (shared.ContentType != response.ContentType || shared.Headers != response.Headers)
        return nullptr;
    if (shared.Replies.size() <= worker)
        shared.Replies.resize(worker + 1, nullptr);
    if (shared.Replies[worker] == nullptr)
        shared.Replies[worker] = AnswerFromFile(shared.File, response);
    return shared.Replies[worker];
}
