#include "SharedReplies.h"

#include <fcntl.h>
#include <microhttpd.h>
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
    std::erase_if(m_replies, [](const auto& kept) { return kept.first.expired(); });
    auto [kept, added] = m_replies.try_emplace(response.Body);
    TShared& shared = kept->second;
    if (added) {
        shared.File = SealedFileOf(*response.Body);
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
