#include "color/SampleShuffle.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PELORAMA_X86_SHUFFLE 1
#endif

namespace {

template <int PixelBytes>
void CopyExchangingScalar(const uint8_t* source, uint8_t* target, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t first = source[0];
        const uint8_t second = source[1];
        const uint8_t third = source[2];
        if constexpr (PixelBytes == 4)
            target[3] = source[3];
        target[0] = third;
        target[1] = second;
        target[2] = first;
        source += PixelBytes;
        target += PixelBytes;
    }
}

#ifdef PELORAMA_X86_SHUFFLE
// Each 16-byte step converts five 3-byte pixels and carries the sixteenth byte over as it
// is (the next step rewrites it), so the loop stops while a sixth pixel still follows.
__attribute__((target("ssse3"))) uint32_t CopyExchanging24Ssse3(const uint8_t* source,
                                                                uint8_t* target, uint32_t count) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    uint32_t i = 0;
    for (; i + 11 <= count; i += 10) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i + 15));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * i), _mm_shuffle_epi8(a, order));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * i + 15),
                         _mm_shuffle_epi8(b, order));
    }
    for (; i + 6 <= count; i += 5) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * i), _mm_shuffle_epi8(a, order));
    }
    return i;
}

__attribute__((target("ssse3"))) uint32_t CopyExchanging32Ssse3(const uint8_t* source,
                                                                uint8_t* target, uint32_t count) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * i + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 4 * i), _mm_shuffle_epi8(a, order));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 4 * i + 16),
                         _mm_shuffle_epi8(b, order));
    }
    return i;
}

// 21 pixels a step with a byte permutation over 64 bytes; the 64th byte is carried over as
// it is, as in the 16-byte steps above.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) uint32_t
CopyExchanging24Avx512(const uint8_t* source, uint8_t* target, uint32_t count) {
    alignas(64) uint8_t order[64];
    for (int k = 0; k < 63; ++k)
        order[k] = uint8_t(k - k % 3 + 2 - k % 3);
    order[63] = 63;
    const __m512i permutation = _mm512_load_si512(order);
    uint32_t i = 0;
    for (; i + 22 <= count; i += 21) {
        const __m512i a = _mm512_loadu_si512(source + 3 * i);
        _mm512_storeu_si512(target + 3 * i, _mm512_maskz_permutexvar_epi8(~0ULL, permutation, a));
    }
    return i;
}

__attribute__((target("avx512f,avx512bw"))) uint32_t
CopyExchanging32Avx512(const uint8_t* source, uint8_t* target, uint32_t count) {
    alignas(64) uint8_t bytes[64];
    for (int k = 0; k < 64; ++k)
        bytes[k] = uint8_t(k % 4 == 3 ? k : k - k % 4 + 2 - k % 4);
    const __m512i order = _mm512_load_si512(bytes);
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i a = _mm512_loadu_si512(source + 4 * i);
        _mm512_storeu_si512(target + 4 * i, _mm512_shuffle_epi8(a, order));
    }
    return i;
}
#endif

} // namespace

void CopyExchangingFirstAndThird(const uint8_t* source, uint8_t* target, uint32_t count,
                                 int pixelBytes) {
    uint32_t done = 0;
#ifdef PELORAMA_X86_SHUFFLE
    if (pixelBytes == 3 && __builtin_cpu_supports("avx512vbmi"))
        done = CopyExchanging24Avx512(source, target, count);
    else if (pixelBytes == 4 && __builtin_cpu_supports("avx512bw"))
        done = CopyExchanging32Avx512(source, target, count);
    if (__builtin_cpu_supports("ssse3")) {
        const size_t offset = size_t(done) * pixelBytes;
        done += pixelBytes == 3
                    ? CopyExchanging24Ssse3(source + offset, target + offset, count - done)
                    : CopyExchanging32Ssse3(source + offset, target + offset, count - done);
    }
#endif
    const size_t offset = size_t(done) * pixelBytes;
    if (pixelBytes == 3)
        CopyExchangingScalar<3>(source + offset, target + offset, count - done);
    else
        CopyExchangingScalar<4>(source + offset, target + offset, count - done);
}
