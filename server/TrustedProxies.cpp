#include "TrustedProxies.h"

#include <QStringList>
#include <algorithm>
#include <cctype>
#include <strings.h>

namespace {

std::string Trimmed(const std::string& text) {
    const auto first =
        std::find_if_not(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
    const auto last =
        std::find_if_not(text.rbegin(), text.rend(), [](unsigned char c) { return std::isspace(c); }).base();
    return first < last ? std::string(first, last) : std::string();
}

// Every address of every X-Forwarded-For line, in the order the proxies added them.
std::vector<std::string> ForwardedFor(const THttpHeaders& headers) {
    std::vector<std::string> addresses;
    for (const auto& [name, value] : headers) {
        if (::strcasecmp(name.c_str(), "X-Forwarded-For") != 0)
            continue;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = value.find(',', start);
            addresses.push_back(Trimmed(value.substr(start, comma - start)));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    return addresses;
}

} // namespace

TResult<TTrustedProxies> TTrustedProxies::Parse(const QString& text) {
    TTrustedProxies proxies;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<TIpNetwork> network = TIpNetwork::Parse(piece.trimmed().toStdString());
        if (!network)
            return Failure(QStringLiteral("\"%1\" is no address or network (CIDR)").arg(piece.trimmed()));
        proxies.m_networks.push_back(*network);
    }
    return proxies;
}

bool TTrustedProxies::Trusts(const std::string& address) const {
    const std::optional<TIpAddress> parsed = TIpAddress::Parse(address);
    return parsed && std::any_of(m_networks.begin(), m_networks.end(),
                                 [&](const TIpNetwork& network) { return network.Contains(*parsed); });
}

std::string TTrustedProxies::Client(const std::string& peer, const THttpHeaders& headers) const {
    if (!Trusts(peer))
        return peer;
    std::string client = peer;
    const std::vector<std::string> forwarded = ForwardedFor(headers);
    for (auto address = forwarded.rbegin(); address != forwarded.rend(); ++address) {
        // A value that is no address ends the chain: what stands before it cannot be placed.
        if (!TIpAddress::Parse(*address))
            break;
        client = *address;
        if (!Trusts(client))
            break;
    }
    return client;
}
