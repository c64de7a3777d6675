#include "ConnectionsPerClient.h"

bool TConnectionsPerClient::Open(const std::string& client) {
    if (m_limit == 0)
        return true;
    std::lock_guard lock(m_mutex);
    unsigned& open = m_open[client];
    if (open >= m_limit)
        return false;
    ++open;
    return true;
}

void TConnectionsPerClient::Close(const std::string& client) {
    if (m_limit == 0)
        return;
    std::lock_guard lock(m_mutex);
    const auto found = m_open.find(client);
    if (found != m_open.end() && --found->second == 0)
        m_open.erase(found);
}
