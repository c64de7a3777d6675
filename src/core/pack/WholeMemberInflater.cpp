#include "core/pack/WholeMemberInflater.h"

#include <QIODevice>
#include <libdeflate.h>

namespace {
// Larger members are streamed: their buffers would cost more memory than the speed is worth.
constexpr qint64 MaxWholeMember = 16 * 1024 * 1024;
} // namespace

TWholeMemberInflater::TWholeMemberInflater()
    : m_decompressor(libdeflate_alloc_decompressor()) {}

TWholeMemberInflater::~TWholeMemberInflater() {
    libdeflate_free_decompressor(m_decompressor);
}

const char* TWholeMemberInflater::Inflate(QIODevice& file, qint64 start, qint64 packedSize, qint64 end,
                                          qint64 size) {
    if (!m_decompressor || size <= 0 || size > MaxWholeMember || packedSize <= 0 ||
        packedSize > MaxWholeMember || start < 0 || packedSize > end - start)
        return nullptr;
    if (m_packed.size() < packedSize)
        m_packed.resize(packedSize);
    if (m_content.size() < size)
        m_content.resize(size);
    if (!file.seek(start) || file.read(m_packed.data(), packedSize) != packedSize)
        return nullptr;
    // The stream must give exactly `size` bytes and end with its Adler-32 intact; libdeflate
    // checks the header, the blocks and the checksum as zlib does.
    const libdeflate_result result = libdeflate_zlib_decompress(
        m_decompressor, m_packed.constData(), size_t(packedSize), m_content.data(), size_t(size), nullptr);
    return result == LIBDEFLATE_SUCCESS ? m_content.constData() : nullptr;
}
