// CRC-32 by carry-less multiplication where the processor has it, zlib's tables elsewhere.
#include "core/workbook/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MOXTEL_CRC32_FOLD 1
#endif

namespace moxtel {
namespace {

std::uint32_t TableCrc(std::uint32_t crc, const unsigned char* p, std::size_t size) {
    while (size > 0) {  // zlib takes its length as uInt
        const auto n = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
        crc = static_cast<std::uint32_t>(crc32(crc, p, n));
        p += n;
        size -= n;
    }
    return crc;
}

#ifdef MOXTEL_CRC32_FOLD

#define MOXTEL_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

MOXTEL_FOLD_TARGET __m128i Load(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// a folded over the distance k stands for, then added to b.
MOXTEL_FOLD_TARGET __m128i FoldInto(__m128i a, __m128i k, __m128i b) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), b);
}

// Whole 16-byte blocks folded by carry-less multiplication, four at a time, then reduced to 32 bits
// (Barrett), after Intel's "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ" for the
// bit-reflected polynomial 0x04C11DB7. state is the running CRC inverted, as the tables keep it; size
// is at least 64 and a multiple of 16.
MOXTEL_FOLD_TARGET std::uint32_t Fold(std::uint32_t state, const unsigned char* p, std::size_t size) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);  // x^(4*128+32), x^(4*128-32) mod P
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);  // x^(128+32), x^(128-32) mod P
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);               // x^64 mod P
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);  // P and its Barrett constant
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
    for (p += 64, size -= 64; size >= 64; p += 64, size -= 64) {
        x1 = FoldInto(x1, k1k2, Load(p));
        x2 = FoldInto(x2, k1k2, Load(p + 16));
        x3 = FoldInto(x3, k1k2, Load(p + 32));
        x4 = FoldInto(x4, k1k2, Load(p + 48));
    }
    x1 = FoldInto(FoldInto(FoldInto(x1, k3k4, x2), k3k4, x3), k3k4, x4);
    for (; size >= 16; p += 16, size -= 16) x1 = FoldInto(x1, k3k4, Load(p));

    // 128 bits to 64, then to 32.
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), _mm_srli_si128(x1, 4));
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), poly, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, x2), 1));
}

bool CanFold() {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}

#endif

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
#ifdef MOXTEL_CRC32_FOLD
    if (size >= 64 && CanFold()) {
        const std::size_t blocks = size & ~std::size_t{15};
        crc = ~Fold(~crc, p, blocks);
        p += blocks;
        size -= blocks;
    }
#endif
    return TableCrc(crc, p, size);
}

}  // namespace moxtel
