#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The three sources of the computer identifier that the catalogue request sends.
namespace MachineIdentity {

struct ProcessorIds {
    std::uint32_t signature = 0;  // leaf 1, EAX
    std::uint32_t serialHigh = 0; // leaf 3, EDX
    std::uint32_t serialLow = 0;  // leaf 3, ECX
};

using HardwareAddress = std::array<std::uint8_t, 6>;

// From the processor identification instruction; zeros where the processor lacks it.
ProcessorIds ReadProcessorIds();
// The hardware addresses of the non-loopback network interfaces, in the system's order.
QList<HardwareAddress> ReadAdapterAddresses();
// A 32-bit number of the file system holding `path`; empty when it cannot be read.
std::optional<std::uint32_t> ReadVolumeId(const QString& path);

} // namespace MachineIdentity
