#include "raster/PixelQuads.h"

#include <array>

#if defined(__x86_64__)
#include <tmmintrin.h>

namespace {

// Reversing sixteen pixels (48 bytes, three vectors): output vector o takes byte k of its
// sixteen from input vector i at Masks[o][i][k], or a zero (-128) where another vector
// supplies it.
constexpr std::array<std::array<std::array<int8_t, 16>, 3>, 3> ReverseMasks() {
    std::array<std::array<std::array<int8_t, 16>, 3>, 3> masks{};
    for (int b = 0; b < 48; ++b) {
        const int pixel = 15 - b / 3;
        const int from = pixel * 3 + b % 3;
        for (int i = 0; i < 3; ++i)
            masks[b / 16][i][b % 16] = int8_t(from / 16 == i ? from % 16 : -128);
    }
    return masks;
}

constexpr auto Masks = ReverseMasks();

__attribute__((target("ssse3"))) size_t ReverseSixteens(const uint8_t*& source, uint8_t*& target,
                                                        size_t count) {
    __m128i mask[3][3];
    for (int o = 0; o < 3; ++o)
        for (int i = 0; i < 3; ++i)
            mask[o][i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Masks[o][i].data()));
    size_t done = 0;
    for (; count - done >= 16; done += 16, target += 48) {
        source -= 48;
        __m128i in[3];
        for (int i = 0; i < 3; ++i)
            in[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 16 * i));
        for (int o = 0; o < 3; ++o) {
            const __m128i out = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], mask[o][0]),
                                                          _mm_shuffle_epi8(in[1], mask[o][1])),
                                             _mm_shuffle_epi8(in[2], mask[o][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 16 * o), out);
        }
    }
    return done;
}

} // namespace
#endif

void ReversePixels(const uint8_t* source, uint8_t* target, size_t count) {
    const uint8_t* s = source + count * 3;
#if defined(__x86_64__)
    if (__builtin_cpu_supports("ssse3"))
        count -= ReverseSixteens(s, target, count);
#endif
    for (; count >= 4; count -= 4, target += 12) {
        s -= 12;
        StoreQuad(target, ReverseQuad(LoadQuad(s)));
    }
    for (; count > 0; --count, target += 3) {
        s -= 3;
        std::memcpy(target, s, 3);
    }
}
