#include "NetworkAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>

namespace {

constexpr unsigned char MappedV4Prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};

// An IPv6 client's own network: the first 64 bits.
constexpr unsigned ClientNetworkBits = 64;

} // namespace

std::optional<TIpAddress> TIpAddress::Parse(const std::string& text) {
    TIpAddress address;
    if (::inet_pton(AF_INET, text.c_str(), address.Bytes.data()) == 1)
        return address;
    if (::inet_pton(AF_INET6, text.c_str(), address.Bytes.data()) != 1)
        return std::nullopt;
    if (std::equal(std::begin(MappedV4Prefix), std::end(MappedV4Prefix), address.Bytes.begin())) {
        std::copy_n(address.Bytes.begin() + 12, 4, address.Bytes.begin());
        std::fill(address.Bytes.begin() + 4, address.Bytes.end(), 0);
        return address;
    }
    address.V4 = false;
    return address;
}

std::optional<TIpNetwork> TIpNetwork::Parse(const std::string& text) {
    const std::size_t slash = text.find('/');
    const std::optional<TIpAddress> base = TIpAddress::Parse(text.substr(0, slash));
    if (!base)
        return std::nullopt;
    TIpNetwork network{*base, unsigned(base->Length() * 8)};
    if (slash == std::string::npos)
        return network;
    const std::string bits = text.substr(slash + 1);
    char* end = nullptr;
    const unsigned long prefix = std::strtoul(bits.c_str(), &end, 10);
    if (bits.empty() || *end != '\0' || prefix > network.PrefixBits)
        return std::nullopt;
    network.PrefixBits = unsigned(prefix);
    return network;
}

bool TIpNetwork::Contains(const TIpAddress& address) const {
    if (address.V4 != Base.V4)
        return false;
    for (unsigned bit = 0; bit < PrefixBits; bit += 8) {
        const unsigned bits = std::min(8u, PrefixBits - bit);
        const unsigned char mask = static_cast<unsigned char>(0xff00u >> bits);
        if ((address.Bytes[bit / 8] & mask) != (Base.Bytes[bit / 8] & mask))
            return false;
    }
    return true;
}

std::string LimitKey(const std::string& address) {
    std::optional<TIpAddress> parsed = TIpAddress::Parse(address);
    if (!parsed)
        return address;
    char text[INET6_ADDRSTRLEN] = "";
    if (parsed->V4) {
        ::inet_ntop(AF_INET, parsed->Bytes.data(), text, sizeof text);
        return text;
    }
    std::fill(parsed->Bytes.begin() + ClientNetworkBits / 8, parsed->Bytes.end(), 0);
    ::inet_ntop(AF_INET6, parsed->Bytes.data(), text, sizeof text);
    return std::string(text) + "/64";
}
