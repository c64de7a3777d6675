#pragma once

#include "HttpExchange.h"
#include "NetworkAddress.h"
#include "core/Result.h"

#include <QString>
#include <string>
#include <vector>

// The proxies in front of the server (a load balancer, a TLS proxy) whose word on the client they pass a
// request on for is taken: only their X-Forwarded-For is read, anybody else's header is ignored, so that no
// client can make itself look like another one to the limits.
class TTrustedProxies {
public:
    TTrustedProxies() = default;
    // "CIDR[,CIDR...]", IPv4 or IPv6, a bare address being a network of its own.
    static TResult<TTrustedProxies> Parse(const QString& text);

    bool Trusts(const std::string& address) const;
    // The client a request comes from. From a trusted proxy it is the last address of X-Forwarded-For
    // that no trusted proxy added: each proxy appends the address it took the request from, so anything
    // further left was written by the client itself and is not believed.
    std::string Client(const std::string& peer, const THttpHeaders& headers) const;

private:
    std::vector<TIpNetwork> m_networks;
};
