#include "formats/PNGFilters.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

void UndoSub(uint8_t* row, uint32_t length, uint32_t bpp) {
    for (uint32_t i = bpp; i < length; ++i)
        row[i] = uint8_t(row[i] + row[i - bpp]);
}

void UndoUp(uint8_t* row, const uint8_t* previous, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        row[i] = uint8_t(row[i] + previous[i]);
}

void UndoAverage(uint8_t* row, const uint8_t* previous, uint32_t length, uint32_t bpp) {
    const uint32_t head = bpp < length ? bpp : length;
    for (uint32_t i = 0; i < head; ++i)
        row[i] = uint8_t(row[i] + (previous[i] >> 1));
    for (uint32_t i = bpp; i < length; ++i)
        row[i] = uint8_t(row[i] + ((row[i - bpp] + previous[i]) >> 1));
}

// Pixel by pixel with the left and upper-left pixels kept in registers: the byte-wise
// dependency chain is what limits this filter.
template <uint32_t Bpp>
void UndoPaethFixed(uint8_t* row, const uint8_t* previous, uint32_t length) {
    int left[Bpp] = {};
    int upperLeft[Bpp] = {};
    for (uint32_t i = 0; i + Bpp <= length; i += Bpp) {
        for (uint32_t k = 0; k < Bpp; ++k) {
            const int above = previous[i + k];
            const int value = uint8_t(row[i + k] + PaethPredictor(left[k], above, upperLeft[k]));
            row[i + k] = uint8_t(value);
            left[k] = value;
            upperLeft[k] = above;
        }
    }
}

#if defined(__SSE2__)
// A pixel's samples as 16-bit lanes, a pixel at a time, with no branches: on photographs the
// predictor's choice is a coin toss that a branch mispredicts half of the time.
template <uint32_t Bpp>
__m128i LoadPixel(const uint8_t* p) {
    uint64_t v = 0;
    if constexpr (Bpp == 4 || Bpp == 8) {
        std::memcpy(&v, p, Bpp);
    } else {
        // Assembled in a register: a partial copy into a wider word stalls the load after it.
        for (uint32_t k = 0; k < Bpp; ++k)
            v |= uint64_t(p[k]) << (8 * k);
    }
    return _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(v)), _mm_setzero_si128());
}

template <uint32_t Bpp>
void StorePixel(uint8_t* p, __m128i lanes) {
    const uint64_t v = uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(lanes, lanes)));
    std::memcpy(p, &v, Bpp);
}

inline __m128i Abs16(__m128i x) {
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

inline __m128i Choose(__m128i mask, __m128i ifSet, __m128i otherwise) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
}

template <uint32_t Bpp>
void UndoPaethVector(uint8_t* row, const uint8_t* previous, uint32_t length) {
    static_assert(Bpp <= 8);
    const __m128i byte = _mm_set1_epi16(0xFF);
    __m128i left = _mm_setzero_si128(), upperLeft = _mm_setzero_si128();
    for (uint32_t i = 0; i + Bpp <= length; i += Bpp) {
        const __m128i above = LoadPixel<Bpp>(previous + i);
        // With p = left + above - upperLeft: |p - left|, |p - above| and |p - upperLeft|.
        const __m128i fromAbove = _mm_sub_epi16(above, upperLeft);
        const __m128i fromLeft = _mm_sub_epi16(left, upperLeft);
        const __m128i pa = Abs16(fromAbove);
        const __m128i pb = Abs16(fromLeft);
        const __m128i pc = Abs16(_mm_add_epi16(fromAbove, fromLeft));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i predicted = Choose(_mm_cmpeq_epi16(smallest, pa), left,
                                         Choose(_mm_cmpeq_epi16(smallest, pb), above, upperLeft));
        left = _mm_and_si128(_mm_add_epi16(LoadPixel<Bpp>(row + i), predicted), byte);
        StorePixel<Bpp>(row + i, left);
        upperLeft = above;
    }
}
#endif

template <uint32_t Bpp>
void UndoPaethWide(uint8_t* row, const uint8_t* previous, uint32_t length) {
#if defined(__SSE2__)
    UndoPaethVector<Bpp>(row, previous, length);
#else
    UndoPaethFixed<Bpp>(row, previous, length);
#endif
}

void UndoPaeth(uint8_t* row, const uint8_t* previous, uint32_t length, uint32_t bpp) {
    if (length % bpp == 0) {
        switch (bpp) {
        case 1:
            return UndoPaethFixed<1>(row, previous, length);
        case 2:
            return UndoPaethFixed<2>(row, previous, length);
        case 3:
            return UndoPaethWide<3>(row, previous, length);
        case 4:
            return UndoPaethWide<4>(row, previous, length);
        case 6:
            return UndoPaethWide<6>(row, previous, length);
        case 8:
            return UndoPaethWide<8>(row, previous, length);
        default:
            break;
        }
    }
    const uint32_t head = bpp < length ? bpp : length;
    for (uint32_t i = 0; i < head; ++i)
        row[i] = uint8_t(row[i] + PaethPredictor(0, previous[i], 0));
    for (uint32_t i = bpp; i < length; ++i)
        row[i] = uint8_t(row[i] + PaethPredictor(row[i - bpp], previous[i], previous[i - bpp]));
}

} // namespace

// The filters' loops are the PNG reader's hottest code: placed at whatever offset the linker
// gives them, their speed moved by a few percent from one build to the next.
[[gnu::aligned(64)]] void UnfilterPNGRow(uint8_t filterType, uint8_t* row, const uint8_t* previous,
                                         uint32_t length, uint32_t bytesPerPixel) {
    switch (filterType) {
    case 1:
        UndoSub(row, length, bytesPerPixel);
        break;
    case 2:
        UndoUp(row, previous, length);
        break;
    case 3:
        UndoAverage(row, previous, length, bytesPerPixel);
        break;
    case 4:
        UndoPaeth(row, previous, length, bytesPerPixel);
        break;
    default:
        break;
    }
}
