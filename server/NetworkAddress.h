#pragma once

#include <array>
#include <optional>
#include <string>

// An IPv4 or IPv6 address as the limits on clients compare it. An IPv4 address that arrives mapped
// into IPv6 (a server listening on "::") is the same IPv4 address.
struct TIpAddress {
    bool V4 = true;
    std::array<unsigned char, 16> Bytes{}; // the first 4 for IPv4

    static std::optional<TIpAddress> Parse(const std::string& text);
    std::size_t Length() const { return V4 ? 4 : 16; }
};

// An address with the number of its leading bits that name the network ("10.0.0.0/8"; a bare address is
// a network of one).
struct TIpNetwork {
    TIpAddress Base;
    unsigned PrefixBits = 32;

    static std::optional<TIpNetwork> Parse(const std::string& text);
    bool Contains(const TIpAddress& address) const;
};

// What the per-client limits count an address as: an IPv4 address itself, an IPv6 address by its /64
// network, which is what one IPv6 customer gets (and may hop through at will). Text that is no address
// counts as itself.
std::string LimitKey(const std::string& address);
