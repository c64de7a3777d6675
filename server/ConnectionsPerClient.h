#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

// Open connections counted by client, so that no client can take the whole connection budget from the
// others.
class TConnectionsPerClient {
public:
    // 0: no limit.
    explicit TConnectionsPerClient(unsigned limit)
        : m_limit(limit) {}

    // Counts one more connection of the client; false, counting nothing, when it holds the limit already.
    bool Open(const std::string& client);
    void Close(const std::string& client);

private:
    const unsigned m_limit;
    std::mutex m_mutex;
    std::unordered_map<std::string, unsigned> m_open;
};
