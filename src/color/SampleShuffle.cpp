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
// Byte order of one vector step: whole pixels have their first and third bytes exchanged; a
// trailing byte that is not a whole pixel stays as it is (the next step rewrites it, which is
// why the loops below stop while one more pixel follows).
template <int PixelBytes, int StepBytes>
struct TExchangeOrder {
    alignas(64) uint8_t Bytes[StepBytes];
    constexpr TExchangeOrder() : Bytes() {
        constexpr int whole = StepBytes / PixelBytes * PixelBytes;
        for (int k = 0; k < StepBytes; ++k) {
            const int inPixel = k % PixelBytes;
            Bytes[k] =
                uint8_t(k >= whole || inPixel == 1 || inPixel == 3 ? k : k - inPixel + 2 - inPixel);
        }
    }
};

template <int PixelBytes, int StepBytes>
constexpr uint32_t PixelsPerStep = StepBytes / PixelBytes;
template <int PixelBytes, int StepBytes>
constexpr uint32_t PixelsAfterStep = StepBytes % PixelBytes ? 1 : 0;

template <int PixelBytes>
__attribute__((target("ssse3"))) uint32_t CopyExchangingSsse3(const uint8_t* source,
                                                              uint8_t* target, uint32_t count) {
    static constexpr TExchangeOrder<PixelBytes, 16> bytes;
    const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes.Bytes));
    constexpr uint32_t step = PixelsPerStep<PixelBytes, 16>;
    uint32_t i = 0;
    for (; i + step + PixelsAfterStep<PixelBytes, 16> <= count; i += step) {
        const __m128i a =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + PixelBytes * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + PixelBytes * i),
                         _mm_shuffle_epi8(a, order));
    }
    return i;
}

template <int PixelBytes>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) uint32_t
CopyExchangingAvx512(const uint8_t* source, uint8_t* target, uint32_t count) {
    static constexpr TExchangeOrder<PixelBytes, 64> bytes;
    const __m512i order = _mm512_load_si512(bytes.Bytes);
    constexpr uint32_t step = PixelsPerStep<PixelBytes, 64>;
    uint32_t i = 0;
    for (; i + step + PixelsAfterStep<PixelBytes, 64> <= count; i += step) {
        const __m512i a = _mm512_loadu_si512(source + PixelBytes * i);
        _mm512_storeu_si512(target + PixelBytes * i,
                            _mm512_maskz_permutexvar_epi8(~0ULL, order, a));
    }
    return i;
}
#endif

} // namespace

void CopyExchangingFirstAndThird(const uint8_t* source, uint8_t* target, uint32_t count,
                                 int pixelBytes) {
    uint32_t done = 0;
#ifdef PELORAMA_X86_SHUFFLE
    if (__builtin_cpu_supports("avx512vbmi"))
        done = pixelBytes == 3 ? CopyExchangingAvx512<3>(source, target, count)
                               : CopyExchangingAvx512<4>(source, target, count);
    if (__builtin_cpu_supports("ssse3")) {
        const size_t offset = size_t(done) * pixelBytes;
        done += pixelBytes == 3
                    ? CopyExchangingSsse3<3>(source + offset, target + offset, count - done)
                    : CopyExchangingSsse3<4>(source + offset, target + offset, count - done);
    }
#endif
    const size_t offset = size_t(done) * pixelBytes;
    if (pixelBytes == 3)
        CopyExchangingScalar<3>(source + offset, target + offset, count - done);
    else
        CopyExchangingScalar<4>(source + offset, target + offset, count - done);
}
