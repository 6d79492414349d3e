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
#endif

} // namespace

void CopyExchangingFirstAndThird(const uint8_t* source, uint8_t* target, uint32_t count,
                                 int pixelBytes) {
    uint32_t done = 0;
#ifdef PELORAMA_X86_SHUFFLE
    if (__builtin_cpu_supports("ssse3"))
        done = pixelBytes == 3 ? CopyExchanging24Ssse3(source, target, count)
                               : CopyExchanging32Ssse3(source, target, count);
#endif
    const size_t offset = size_t(done) * pixelBytes;
    if (pixelBytes == 3)
        CopyExchangingScalar<3>(source + offset, target + offset, count - done);
    else
        CopyExchangingScalar<4>(source + offset, target + offset, count - done);
}
