#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

// Open connections counted by client, so that no client can take the whole connection budget from the
// others. Connections are known by their socket: one that ended without a word (the library may drop a
// connection it was handed before it ever reports it) is forgotten at the latest when the system gives
// its socket number to a new connection, so no count drifts upwards for good.
class TConnectionsPerClient {
public:
    // 0: no limit.
    explicit TConnectionsPerClient(unsigned limit)
        : m_limit(limit) {}

    // Counts the client's new connection on this socket; false, counting nothing, when the client holds
    // the limit already.
    bool Open(int socket, const std::string& client);
    // The connection on this socket has ended; nothing for a socket that was not counted.
    void Close(int socket);

private:
    void Forget(std::unordered_map<int, std::string>::iterator connection);

    const unsigned m_limit;
    std::mutex m_mutex;
    std::unordered_map<int, std::string> m_clients; // by socket
    std::unordered_map<std::string, unsigned> m_open;
};
