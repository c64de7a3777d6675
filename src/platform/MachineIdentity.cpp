#include "platform/MachineIdentity.h"

#include <QFile>
#include <algorithm>
#include <sys/statvfs.h>

#if defined(__linux__)
#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>
#endif

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace MachineIdentity {

ProcessorIds ReadProcessorIds() {
    ProcessorIds ids;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        ids.signature = eax;
    // Leaf 3 (the processor serial number) exists on few processors; __get_cpuid refuses leaves
    // beyond the processor's highest one, leaving zeros.
    eax = ebx = ecx = edx = 0;
    if (__get_cpuid(3, &eax, &ebx, &ecx, &edx)) {
        ids.serialHigh = edx;
        ids.serialLow = ecx;
    }
#endif
    return ids;
}

QList<HardwareAddress> ReadAdapterAddresses() {
    QList<HardwareAddress> addresses;
#if defined(__linux__)
    // Read from the C library rather than through a network toolkit, which would stay loaded for the
    // whole run for this one question. Each interface has one link-layer entry, in the system's order.
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return addresses;
    for (const ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        HardwareAddress address{};
        if (link->sll_halen != address.size())
            continue;
        std::copy_n(link->sll_addr, address.size(), address.begin());
        addresses.append(address);
    }
    freeifaddrs(interfaces);
#endif
    return addresses;
}

std::optional<std::uint32_t> ReadVolumeId(const QString& path) {
    struct statvfs info {};
    if (statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(info.f_fsid);
}

} // namespace MachineIdentity
