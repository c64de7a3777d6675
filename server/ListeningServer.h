#pragma once

#include <httplib.h>

// cpp-httplib's server with the limits Debian's build of it lacks:
// - it listens with a backlog of 5, so under a few dozen simultaneous connections the kernel drops
//   connection attempts and clients wait a second or more for their retry: the listening socket is
//   given a large backlog once it is bound;
// - it reads request heads of any length, so a client streaming header lines could take all memory:
//   each request may send at most MaxRequestBytes, within RequestSeconds, or the connection is closed.
class TListeningServer : public httplib::Server {
public:
    static constexpr std::size_t MaxHeadBytes = 32 * 1024;
    static constexpr int RequestSeconds = 20;

    bool WidenBacklog(int backlog);
    // The body limit that goes with set_payload_max_length.
    void SetMaxBodyBytes(std::size_t bytes) { m_maxBodyBytes = bytes; }

private:
    bool process_and_close_socket(socket_t sock) override;
    bool WaitForNextRequest(socket_t sock) const;

    std::size_t m_maxBodyBytes = 64 * 1024;
};
