#include "ConnectionsPerClient.h"

bool TConnectionsPerClient::Open(int socket, const std::string& client) {
    if (m_limit == 0)
        return true;
    std::lock_guard lock(m_mutex);
    if (const auto ended = m_clients.find(socket); ended != m_clients.end())
        Forget(ended);
    unsigned& open = m_open[client];
    if (open >= m_limit)
        return false;
    ++open;
    m_clients.emplace(socket, client);
    return true;
}

void TConnectionsPerClient::Close(int socket) {
    if (m_limit == 0)
        return;
    std::lock_guard lock(m_mutex);
    if (const auto connection = m_clients.find(socket); connection != m_clients.end())
        Forget(connection);
}

void TConnectionsPerClient::Forget(std::unordered_map<int, std::string>::iterator connection) {
    const auto open = m_open.find(connection->second);
    if (open != m_open.end() && --open->second == 0)
        m_open.erase(open);
    m_clients.erase(connection);
}
