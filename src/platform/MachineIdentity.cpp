#include "platform/MachineIdentity.h"

#include <QFile>
#include <QNetworkInterface>
#include <sys/statvfs.h>

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
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& adapter : interfaces) {
        if (adapter.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QByteArray hex = adapter.hardwareAddress().toLatin1().replace(':', QByteArray());
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (hex.size() != 12 || bytes.size() != 6)
            continue;
        HardwareAddress address{};
        std::copy(bytes.begin(), bytes.end(), address.begin());
        addresses.append(address);
    }
    return addresses;
}

std::optional<std::uint32_t> ReadVolumeId(const QString& path) {
    struct statvfs info {};
    if (statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(info.f_fsid);
}

} // namespace MachineIdentity
