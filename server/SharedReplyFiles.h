#pragma once

#include <QByteArray>
#include <map>
#include <memory>
#include <mutex>

// Bodies that are sent again and again (the kept catalogue replies, half a megabyte each) also kept in
// sealed in-memory files. Sent from such a file with sendfile, every connection's socket shares the
// same pages instead of holding a copy of its own. That pays once hundreds of clients are served at
// once, when the copies in flight no longer fit in the processor's caches; with a few clients, copying
// from one buffer is faster, as libmicrohttpd sends a file in smaller pieces.
class TSharedReplyFiles {
public:
    TSharedReplyFiles() = default;
    TSharedReplyFiles(const TSharedReplyFiles&) = delete;
    TSharedReplyFiles& operator=(const TSharedReplyFiles&) = delete;
    ~TSharedReplyFiles();

    // A new descriptor of the file holding `body`, for the caller to close; -1 when no file could be
    // made, and the body is then sent from memory. Files of bodies nobody holds any more are closed.
    int Open(const std::shared_ptr<const QByteArray>& body);

private:
    using TKey = std::weak_ptr<const QByteArray>;
    // The key's control block outlives the body, so no later body can take its place in the map.
    std::map<TKey, int, std::owner_less<TKey>> m_files;
    std::mutex m_mutex;
};
