#include "raster/FastFX.h"

#include "raster/PixelQuads.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace {

bool IsEmpty(const TFastRGB& buffer) {
    return buffer.Width <= 0 || buffer.Height <= 0;
}

// Calls Visit(row, bytes) for the pixel bytes of every row, walking the storage
// sequentially and stepping over the padding.
template <typename Visit>
void ForEachRow(TFastRGB& buffer, Visit visit) {
    const size_t bytes = size_t(buffer.Width) * 3;
    uint8_t* row = buffer.PixelData;
    for (int32_t y = 0; y < buffer.Height; ++y, row += buffer.RowStride)
        visit(row, bytes);
}

#if defined(__x86_64__)
// Sixteen pixels at a time: the channels are gathered into lanes, summed in 16 bits and
// divided by 3 with a multiplication that is exact for every sum up to 765 (the table's
// values), then the gray is spread back over the three channels. Returns the pixels done.
__attribute__((target("ssse3"))) size_t GrayscaleSsse3(uint8_t* p, size_t pixels) {
    constexpr int8_t Z = -128; // a shuffle index that yields zero
    const __m128i channel[3][3] = {
        {_mm_setr_epi8(0, 3, 6, 9, 12, 15, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z),
         _mm_setr_epi8(Z, Z, Z, Z, Z, Z, 2, 5, 8, 11, 14, Z, Z, Z, Z, Z),
         _mm_setr_epi8(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 1, 4, 7, 10, 13)},
        {_mm_setr_epi8(1, 4, 7, 10, 13, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z),
         _mm_setr_epi8(Z, Z, Z, Z, Z, 0, 3, 6, 9, 12, 15, Z, Z, Z, Z, Z),
         _mm_setr_epi8(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 2, 5, 8, 11, 14)},
        {_mm_setr_epi8(2, 5, 8, 11, 14, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z),
         _mm_setr_epi8(Z, Z, Z, Z, Z, 1, 4, 7, 10, 13, Z, Z, Z, Z, Z, Z),
         _mm_setr_epi8(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 0, 3, 6, 9, 12, 15)}};
    const __m128i spread[3] = {
        _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5),
        _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10),
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15)};
    const __m128i zero = _mm_setzero_si128();
    const __m128i third = _mm_set1_epi16(21846); // (s * 21846) >> 16 = s div 3 for s <= 765
    size_t done = 0;
    for (; pixels - done >= 16; done += 16, p += 48) {
        __m128i in[3];
        for (int r = 0; r < 3; ++r)
            in[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * r));
        __m128i low = zero, high = zero;
        for (int c = 0; c < 3; ++c) {
            const __m128i bytes = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], channel[c][0]),
                                                            _mm_shuffle_epi8(in[1], channel[c][1])),
                                               _mm_shuffle_epi8(in[2], channel[c][2]));
            low = _mm_add_epi16(low, _mm_unpacklo_epi8(bytes, zero));
            high = _mm_add_epi16(high, _mm_unpackhi_epi8(bytes, zero));
        }
        const __m128i gray =
            _mm_packus_epi16(_mm_mulhi_epu16(low, third), _mm_mulhi_epu16(high, third));
        for (int r = 0; r < 3; ++r)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * r),
                             _mm_shuffle_epi8(gray, spread[r]));
    }
    return done;
}
#endif

} // namespace

void MakeGrayscale(TFastRGB& buffer) {
    if (IsEmpty(buffer))
        return;
    uint8_t mean[768];
    for (int k = 0; k < 768; ++k)
        mean[k] = uint8_t(k / 3);
#if defined(__x86_64__)
    const bool vector = __builtin_cpu_supports("ssse3");
#endif
    ForEachRow(buffer, [&](uint8_t* p, size_t bytes) {
        size_t done = 0;
#if defined(__x86_64__)
        if (vector)
            done = GrayscaleSsse3(p, bytes / 3);
#endif
        for (uint8_t *end = p + bytes, *q = p + done * 3; q != end; q += 3)
            q[0] = q[1] = q[2] = mean[q[0] + q[1] + q[2]];
    });
}

void InvertColors(TFastRGB& buffer) {
    if (IsEmpty(buffer))
        return;
    ForEachRow(buffer, [](uint8_t* p, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i)
            p[i] = uint8_t(~p[i]);
    });
}

void FlipHorizontal(TFastRGB& buffer) {
    if (IsEmpty(buffer))
        return;
    std::vector<uint8_t> copy(size_t(buffer.Width) * 3);
    ForEachRow(buffer, [&](uint8_t* row, size_t bytes) {
        std::memcpy(copy.data(), row, bytes);
        ReversePixels(copy.data(), row, size_t(buffer.Width));
    });
}

void FlipVertical(TFastRGB& buffer) {
    if (IsEmpty(buffer))
        return;
    const size_t bytes = size_t(buffer.Width) * 3;
    for (int32_t k = 0, m = buffer.Height - 1; k < m; ++k, --m)
        std::swap_ranges(buffer.RowTable[size_t(k)], buffer.RowTable[size_t(k)] + bytes,
                         buffer.RowTable[size_t(m)]);
}

void EmbossEffect(TFastRGB& buffer) {
    if (IsEmpty(buffer))
        return;
    const size_t bytes = size_t(buffer.Width) * 3;
    // The top row has no row above; it is compared with its own pixels as they were.
    const std::vector<uint8_t> top(buffer.RowTable.back(), buffer.RowTable.back() + bytes);
    for (int32_t y = 0; y < buffer.Height; ++y) {
        uint8_t* p = buffer.RowTable[size_t(y)];
        const uint8_t* above = y + 1 < buffer.Height ? buffer.RowTable[size_t(y + 1)] : top.data();
        // Every column but the last takes its neighbour one column to the right.
        for (size_t i = 0; i + 3 < bytes; ++i)
            p[i] = uint8_t((p[i] + (255 - above[i + 3])) >> 1);
        for (size_t i = bytes - 3; i < bytes; ++i)
            p[i] = uint8_t((p[i] + (255 - above[i])) >> 1);
    }
}

void ShiftChannels(TFastRGB& buffer, int32_t dr, int32_t dg, int32_t db) {
    if (IsEmpty(buffer))
        return;
    const auto shifted = [](int i, int32_t delta) {
        return uint8_t(std::clamp<int64_t>(int64_t(i) + delta, 0, 255));
    };
    uint8_t table[256][3]; // blue, green, red
    for (int i = 0; i < 256; ++i) {
        table[i][0] = shifted(i, db);
        table[i][1] = shifted(i, dg);
        table[i][2] = shifted(i, dr);
    }
    ForEachRow(buffer, [&](uint8_t* p, size_t bytes) {
        for (uint8_t* end = p + bytes; p != end; p += 3) {
            p[0] = table[p[0]][0];
            p[1] = table[p[1]][1];
            p[2] = table[p[2]][2];
        }
    });
}
