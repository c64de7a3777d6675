#pragma once

#include "HttpExchange.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

struct MHD_Response;

// The Content-Type and the handler's headers of an answer.
void AddHead(MHD_Response* reply, const THttpResponse& response);

// Answers that are sent again and again (the kept catalogue replies, half a megabyte each) made once
// and queued to every connection that asks. The body is kept in a file that nobody else can open and
// sent from it with sendfile, so every connection's socket shares the same pages instead of holding a
// copy of its own. That pays once more than a handful of clients are served at once, when the copies
// in flight no longer fit in the processor's caches, and no connection pays for making an answer, a
// descriptor or a head of its own. With a few clients, copying from one buffer is faster, as
// libmicrohttpd sends a file in smaller pieces.
class TSharedReplies {
public:
    TSharedReplies() = default;
    TSharedReplies(const TSharedReplies&) = delete;
    TSharedReplies& operator=(const TSharedReplies&) = delete;
    ~TSharedReplies();

    // The answer for `response` on the worker thread `worker`, for the caller to queue but not to
    // destroy; null when none could be made or when the same body was first answered with another
    // head, and it is then sent as usual. Each worker has answers of its own, as the library locks an
    // answer while a connection sends from it. Answers of bodies nobody holds any more are let go
    // when a new body is first asked for; connections still sending one keep it.
    MHD_Response* Find(const THttpResponse& response, std::size_t worker);

private:
    struct TShared {
        TShared() = default;
        TShared(const TShared&) = delete;
        TShared& operator=(const TShared&) = delete;
        ~TShared();

        int File = -1;
        std::string ContentType;
        THttpHeaders Headers;
        std::vector<MHD_Response*> Replies; // by worker; null until the worker first needs it
    };
    using TKey = std::weak_ptr<const QByteArray>;
    // The key's control block outlives the body, so no later body can take its place in the map.
    std::map<TKey, TShared, std::owner_less<TKey>> m_replies;
    std::mutex m_mutex;
};
