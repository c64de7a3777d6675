#include "core/pack/PackFormat.h"

#include <zlib.h>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define LUMORA_CARRYLESS_CRC 1
#endif

namespace {

#ifdef LUMORA_CARRYLESS_CRC

#define CARRYLESS __attribute__((target("pclmul,sse4.1")))

CARRYLESS inline __m128i Load(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Carries 128 bits of the register over the distance the constants stand for and adds the next bits.
CARRYLESS inline __m128i Fold(__m128i value, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(value, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(value, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// Every member of a pack passes through the checksum once when it is unpacked, and the whole file once
// when it is opened. Processors with carry-less multiplication fold 64 bytes per step, several times
// faster than table lookups; this is the folding scheme published with the instruction, for the
// reflected polynomial. It takes and gives the checksum register itself (not complemented) and
// needs a length of at least 64, a multiple of 16.
CARRYLESS quint32 FoldedRegister(const unsigned char* data, qsizetype length, quint32 reg) {
    alignas(16) static const quint64 k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const quint64 k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const quint64 k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const quint64 polynomial[] = {0x01db710641, 0x01f7011641};

    __m128i x1 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x2 = Load(data + 16);
    __m128i x3 = Load(data + 32);
    __m128i x4 = Load(data + 48);
    data += 64;
    length -= 64;

    __m128i constants = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    for (; length >= 64; data += 64, length -= 64) {
        x1 = Fold(x1, constants, Load(data));
        x2 = Fold(x2, constants, Load(data + 16));
        x3 = Fold(x3, constants, Load(data + 32));
        x4 = Fold(x4, constants, Load(data + 48));
    }

    constants = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    x1 = Fold(x1, constants, x2);
    x1 = Fold(x1, constants, x3);
    x1 = Fold(x1, constants, x4);
    for (; length >= 16; data += 16, length -= 16)
        x1 = Fold(x1, constants, Load(data));

    // 128 bits to 64, then 64 to 32 by Barrett reduction.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, constants, 0x10));
    constants = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), constants, 0x00), _mm_srli_si128(x, 4));
    constants = _mm_load_si128(reinterpret_cast<const __m128i*>(polynomial));
    __m128i reduced = _mm_clmulepi64_si128(_mm_and_si128(x, low32), constants, 0x10);
    reduced = _mm_clmulepi64_si128(_mm_and_si128(reduced, low32), constants, 0x00);
    return static_cast<quint32>(_mm_extract_epi32(_mm_xor_si128(x, reduced), 1));
}

bool HasCarrylessMultiply() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}

#endif

quint32 ZlibUpdate(quint32 checksum, const char* data, qsizetype length) {
    return crc32_z(checksum, reinterpret_cast<const Bytef*>(data), static_cast<z_size_t>(length));
}

} // namespace

quint32 PackCRC::Update(quint32 checksum, const char* data, qsizetype length) {
#ifdef LUMORA_CARRYLESS_CRC
    if (length >= 64 && HasCarrylessMultiply()) {
        const qsizetype folded = length & ~qsizetype(15);
        checksum = ~FoldedRegister(reinterpret_cast<const unsigned char*>(data), folded, ~checksum);
        data += folded;
        length -= folded;
    }
#endif
    return ZlibUpdate(checksum, data, length);
}
