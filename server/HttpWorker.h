#pragma once

#include <functional>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <vector>

struct MHD_Connection;
struct MHD_Daemon;

// A connection accepted for a worker, with its peer's address.
struct TAcceptedSocket {
    int Socket;
    sockaddr_storage Address;
    socklen_t Length;
};

// One libmicrohttpd daemon and the thread that runs it. The thread waits for the daemon's sockets
// itself and has the library only handle what is ready: the library's own loop, when one poll
// returns a full batch of events, polls again with the timeout it computed before, so under a crowd
// a new connection or a resumed answer could wait until the earliest idle connection times out.
class THttpWorker {
public:
    // Called on the worker's thread with a socket the daemon refused (and has closed).
    using TRefused = std::function<void(int socket)>;

    // Takes over `daemon`, which runs on no thread of its own and polls with epoll, and starts its
    // thread.
    THttpWorker(MHD_Daemon* daemon, TRefused refused);
    ~THttpWorker();
    THttpWorker(const THttpWorker&) = delete;
    THttpWorker& operator=(const THttpWorker&) = delete;

    MHD_Daemon* Daemon() const { return m_daemon; }

    // From any thread: the connections are handed to the daemon on the worker's thread, in one turn.
    void Add(std::vector<TAcceptedSocket> sockets);
    // From any thread: a suspended connection carries on with its request.
    void Resume(MHD_Connection* connection);
    // Stops the thread, then the daemon: its connections are closed. Only once.
    void Stop();

private:
    void Run();
    void Wake();
    // The connections added since the last turn; false once the worker is to stop.
    bool TakePending(std::vector<TAcceptedSocket>& pending);

    MHD_Daemon* const m_daemon;
    const TRefused m_refused;
    const int m_wakeUp;
    std::mutex m_mutex;
    std::vector<TAcceptedSocket> m_pending;
    bool m_stopping = false;
    std::thread m_thread;
};
