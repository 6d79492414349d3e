#include "raster/FastBMP.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

bool IsEmpty(const TFastRGB& buffer) {
    return buffer.Width <= 0 || buffer.Height <= 0;
}

// A target of the source's own size holds the source's pixels.
void CopyPart(const TFastRGB& source, TFastRGB& part, const TResampleWindow& window) {
    const size_t bytes = size_t(part.Width) * 3;
    for (int32_t i = 0; i < part.Height; ++i)
        std::memcpy(part.RowTable[size_t(i)],
                    source.RowTable[size_t(window.Bottom + i)] + size_t(window.Left) * 3, bytes);
}

// Byte offsets of the source pixels that target columns First .. First + Count - 1 take when
// the position advances by Step (16.16 fixed point) per column.
std::vector<size_t> SampleOffsets(int32_t first, int32_t count, int64_t step) {
    std::vector<size_t> offsets(static_cast<size_t>(count));
    int64_t position = int64_t(first) * step;
    for (size_t& offset : offsets) {
        offset = size_t(position >> 16) * 3;
        position += step;
    }
    return offsets;
}

void ReduceNearest(const TFastRGB& src, TFastRGB& dst, const TResampleWindow& window) {
    const std::vector<size_t> columns =
        SampleOffsets(window.Left, dst.Width, (int64_t(src.Width) << 16) / window.TargetWidth);
    const int64_t rowStep = (int64_t(src.Height) << 16) / window.TargetHeight;
    int64_t rowPosition = int64_t(window.Bottom) * rowStep;
    for (int32_t i = 0; i < dst.Height; ++i, rowPosition += rowStep) {
        const uint8_t* source = src.RowTable[size_t(rowPosition >> 16)];
        uint8_t* target = dst.RowTable[size_t(i)];
        for (size_t offset : columns) {
            std::memcpy(target, source + offset, 3);
            target += 3;
        }
    }
}

// Runs of Round(factor + 0.5) pixels starting at Trunc(index * factor), later runs winning;
// only the runs' stretches inside the window are written.
void EnlargeNearest(const TFastRGB& src, TFastRGB& dst, const TResampleWindow& window, float xf,
                    float yf) {
    const int32_t nx = int32_t(std::nearbyint(xf + 0.5f));
    const int32_t ny = int32_t(std::nearbyint(yf + 0.5f));
    const int64_t left = window.Left;
    const int64_t right = left + dst.Width;
    const int64_t bottom = window.Bottom;
    const int64_t top = bottom + dst.Height;
    const size_t lineBytes = size_t(dst.Width) * 3;
    std::vector<uint8_t> line(lineBytes);
    for (int32_t i = 0; i < src.Height; ++i) {
        // The product of a float and an int is exact in double, as in extended precision.
        const int64_t dy = int64_t(double(i) * yf);
        const int64_t rowsFrom = std::max(dy, bottom);
        const int64_t rowsTo = std::min<int64_t>({dy + ny, window.TargetHeight, top});
        if (rowsFrom >= rowsTo)
            continue;
        const uint8_t* source = src.RowTable[size_t(i)];
        for (int32_t j = 0; j < src.Width; ++j) {
            const int64_t start = int64_t(double(j) * xf);
            const int64_t from = std::max(start, left);
            const int64_t to = std::min<int64_t>({start + nx, window.TargetWidth, right});
            for (int64_t k = from; k < to; ++k)
                std::memcpy(&line[size_t(k - left) * 3], source + size_t(j) * 3, 3);
        }
        for (int64_t k = rowsFrom; k < rowsTo; ++k)
            std::memcpy(dst.RowTable[size_t(k - bottom)], line.data(), lineBytes);
    }
}

} // namespace

void ResizeNearestPart(const TFastRGB& source, TFastRGB& part, const TResampleWindow& window) {
    if (IsEmpty(part) || IsEmpty(source))
        return;
    if (window.TargetWidth == source.Width && window.TargetHeight == source.Height) {
        CopyPart(source, part, window);
        return;
    }
    const float xf = float(window.TargetWidth) / float(source.Width);
    const float yf = float(window.TargetHeight) / float(source.Height);
    if (xf < 1 || yf < 1)
        ReduceNearest(source, part, window);
    else
        EnlargeNearest(source, part, window, xf, yf);
}

namespace {

// The four weights of a pixel in 17.15 fixed point; they add up to 32768.
struct TBilinearWeights {
    uint32_t A0, A1, B0, B1;
    TBilinearWeights(uint32_t fx, uint32_t fy) {
        const uint32_t gy = 32768 - fy;
        A1 = (fx * gy) >> 15;
        A0 = gy - A1;
        B1 = (fx * fy) >> 15;
        B0 = fy - B1;
    }
};

void BlendPixel(const uint8_t* pa, const uint8_t* pb, uint32_t fx, uint32_t fy, uint8_t* target) {
    const TBilinearWeights w(fx, fy);
    for (int channel = 0; channel < 3; ++channel)
        target[channel] = uint8_t((pa[channel] * w.A0 + pa[channel + 3] * w.A1 +
                                   pb[channel] * w.B0 + pb[channel + 3] * w.B1) >>
                                  15);
}

// Where each target column samples, the same for every row: byte offsets of the left
// neighbours and the horizontal fractions, doubled so that a 16-bit high multiply by a weight
// gives the product shifted by 15.
struct TBilinearColumns {
    std::vector<uint32_t> Offsets;
    std::vector<uint16_t> DoubledFractions;
    // The leading columns whose two neighbours can be read as eight bytes inside the row.
    size_t Wide = 0;

    TBilinearColumns(int32_t sourceWidth, int32_t count, int64_t first, int64_t step)
        : Offsets(size_t(count)), DoubledFractions(size_t(count)) {
        int64_t sx = first * step;
        for (size_t j = 0; j < Offsets.size(); ++j, sx += step) {
            Offsets[j] = uint32_t(sx >> 15) * 3;
            DoubledFractions[j] = uint16_t((sx & 32767) * 2);
            if (Offsets[j] + 8 <= uint32_t(sourceWidth) * 3)
                Wide = j + 1;
        }
    }
    uint32_t Fraction(size_t j) const { return DoubledFractions[j] >> 1u; }
};

#if defined(__SSE2__)
// A pixel's channels come out of 16-bit multiply-adds of neighbour pairs (left, right) with
// weight pairs: exact, since every product and sum stays below 2^24, as long as no weight is
// 32768. Only the upper-left one can be, when both fractions are 0; then the lower row weighs
// nothing and is read as the upper one, so one unit moves from the upper-left weight to the
// lower-left one, the same pixel.
struct TRowWeights {
    __m128i Gy, Fy, UpperLeft, LowerLeft;
    explicit TRowWeights(uint32_t fy) {
        const uint32_t moved = fy == 0 ? 1 : 0;
        Gy = _mm_set1_epi16(int16_t(32768 - fy));
        Fy = _mm_set1_epi16(int16_t(fy));
        UpperLeft = _mm_set1_epi16(int16_t(32768 - fy - moved));
        LowerLeft = _mm_set1_epi16(int16_t(fy + moved));
    }
};

// The weight pairs of four pixels, one pixel per dword: (A0, A1) in Upper, (B0, B1) in Lower.
struct TWeightPairs {
    __m128i Upper, Lower;
    TWeightPairs(const uint16_t* doubledFractions, const TRowWeights& row) {
        const __m128i fractions =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(doubledFractions));
        const __m128i a1 = _mm_mulhi_epu16(fractions, row.Gy);
        const __m128i b1 = _mm_mulhi_epu16(fractions, row.Fy);
        Upper = _mm_unpacklo_epi16(_mm_sub_epi16(row.UpperLeft, a1), a1);
        Lower = _mm_unpacklo_epi16(_mm_sub_epi16(row.LowerLeft, b1), b1);
    }
};

// Four pixels' sums (blue, green, red, anything) to BGRX bytes with an opaque fourth byte.
void StoreFourPixels(const __m128i (&sums)[4], uint8_t* target) {
    const __m128i bytes =
        _mm_packus_epi16(_mm_packs_epi32(_mm_srli_epi32(sums[0], 15), _mm_srli_epi32(sums[1], 15)),
                         _mm_packs_epi32(_mm_srli_epi32(sums[2], 15), _mm_srli_epi32(sums[3], 15)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target),
                     _mm_or_si128(bytes, _mm_set1_epi32(int32_t(0xFF000000u))));
}

__m128i LoadEightBytes(const uint8_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

// Pixel K's sums from the left and right neighbours at P in the upper (A) and lower (B) rows.
template <int K>
__m128i PixelSums(const uint8_t* a, const uint8_t* b, uint32_t offset, const TWeightPairs& w) {
    const __m128i zero = _mm_setzero_si128();
    const auto neighbourPairs = [&](const uint8_t* p) {
        const __m128i words = _mm_unpacklo_epi8(LoadEightBytes(p + offset), zero);
        return _mm_unpacklo_epi16(words, _mm_srli_si128(words, 6));
    };
    return _mm_add_epi32(_mm_madd_epi16(neighbourPairs(a), _mm_shuffle_epi32(w.Upper, K * 0x55)),
                         _mm_madd_epi16(neighbourPairs(b), _mm_shuffle_epi32(w.Lower, K * 0x55)));
}

// The row's first pixels, four at a time, as far as eight-byte reads stay inside source rows;
// returns how many it wrote.
size_t BlendRowSse2(const uint8_t* a, const uint8_t* b, const TBilinearColumns& columns,
                    uint32_t fy, uint8_t* target) {
    const TRowWeights row(fy);
    const size_t count = columns.Wide & ~size_t(3);
    for (size_t j = 0; j < count; j += 4, target += 16) {
        const TWeightPairs w(&columns.DoubledFractions[j], row);
        const uint32_t* offsets = &columns.Offsets[j];
        StoreFourPixels({PixelSums<0>(a, b, offsets[0], w), PixelSums<1>(a, b, offsets[1], w),
                         PixelSums<2>(a, b, offsets[2], w), PixelSums<3>(a, b, offsets[3], w)},
                        target);
    }
    return count;
}

// The same with one byte shuffle per neighbour pair and weights broadcast from memory: a third
// of the shuffles. UPPER and LOWER are scratch for a row's weight pairs.
__attribute__((target("avx2"))) size_t BlendRowAvx2(const uint8_t* a, const uint8_t* b,
                                                    const TBilinearColumns& columns, uint32_t fy,
                                                    uint32_t* upper, uint32_t* lower,
                                                    uint8_t* target) {
    const TRowWeights row(fy);
    const size_t count = columns.Wide & ~size_t(3);
    for (size_t j = 0; j < count; j += 4) {
        const TWeightPairs w(&columns.DoubledFractions[j], row);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(upper + j), w.Upper);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lower + j), w.Lower);
    }
    const __m128i pairOrder =
        _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
    for (size_t j = 0; j < count; j += 4, target += 16) {
        __m128i sums[4];
        for (size_t k = 0; k < 4; ++k) {
            const uint32_t offset = columns.Offsets[j + k];
            sums[k] = _mm_add_epi32(
                _mm_madd_epi16(_mm_shuffle_epi8(LoadEightBytes(a + offset), pairOrder),
                               _mm_set1_epi32(int32_t(upper[j + k]))),
                _mm_madd_epi16(_mm_shuffle_epi8(LoadEightBytes(b + offset), pairOrder),
                               _mm_set1_epi32(int32_t(lower[j + k]))));
        }
        StoreFourPixels(sums, target);
    }
    return count;
}
#endif

// Resamples into rows of BYTES-byte pixels; ROW(i) is target row i counted from the bottom.
// Four-byte pixels get 255 as their fourth byte.
template <int Bytes, typename RowOf>
void ResizeBilinearRows(const TFastRGB& source, int32_t width, int32_t height, RowOf row,
                        const TResampleWindow& window, [[maybe_unused]] TBilinearKernel kernel) {
    // 17.15 fixed point. Positions are 64-bit so wide pictures cannot overflow them; every
    // value stays what 32-bit arithmetic gives wherever that does not overflow.
    const int64_t xs = (int64_t(source.Width - 1) * 32768) / window.TargetWidth;
    const int64_t ys = (int64_t(source.Height - 1) * 32768) / window.TargetHeight;
    const TBilinearColumns columns(source.Width, width, window.Left, xs);
#if defined(__SSE2__)
    const bool avx2 =
        Bytes == 4 && kernel == TBilinearKernel::Widest && __builtin_cpu_supports("avx2");
    std::vector<uint32_t> upper(avx2 ? columns.Wide : 0), lower(upper.size());
#endif
    int64_t sy = int64_t(window.Bottom) * ys;
    for (int32_t i = 0; i < height; ++i, sy += ys) {
        const int64_t r = sy >> 15;
        const uint32_t fy = uint32_t(sy & 32767);
        const uint8_t* a = source.RowTable[size_t(r)];
        // Without a vertical fraction the lower row weighs nothing: reading the upper one
        // instead lets one unit of weight move between the two (see TRowWeights).
        const uint8_t* b = fy == 0 ? a : source.RowTable[size_t(r + 1)];
        uint8_t* target = row(i);
        size_t j = 0;
#if defined(__SSE2__)
        if constexpr (Bytes == 4)
            j = avx2 ? BlendRowAvx2(a, b, columns, fy, upper.data(), lower.data(), target)
                     : BlendRowSse2(a, b, columns, fy, target);
        target += j * Bytes;
#endif
        for (; j < columns.Offsets.size(); ++j, target += Bytes) {
            BlendPixel(a + columns.Offsets[j], b + columns.Offsets[j], columns.Fraction(j), fy,
                       target);
            if (Bytes == 4)
                target[3] = 255;
        }
    }
}

} // namespace

void ResizeBilinearPart(const TFastRGB& source, TFastRGB& part, const TResampleWindow& window) {
    if (IsEmpty(part) || IsEmpty(source))
        return;
    if (source.Width == 1) {
        ResizeNearestPart(source, part, window);
        return;
    }
    if (window.TargetWidth == source.Width && window.TargetHeight == source.Height) {
        CopyPart(source, part, window);
        return;
    }
    ResizeBilinearRows<3>(
        source, part.Width, part.Height, [&](int32_t i) { return part.RowTable[size_t(i)]; },
        window, TBilinearKernel::Widest);
}

void ResizeBilinearPart(const TFastRGB& source, const TBgrxRows& part,
                        const TResampleWindow& window, TBilinearKernel kernel) {
    if (part.Width <= 0 || part.Height <= 0 || IsEmpty(source))
        return;
    ResizeBilinearRows<4>(
        source, part.Width, part.Height,
        [&](int32_t i) { return part.Top + (part.Height - 1 - i) * part.Stride; }, window, kernel);
}

void TFastBMP::ResizeNearest(TFastRGB& dst) {
    ResizeNearestPart(*this, dst, {dst.Width, dst.Height, 0, 0});
}

void TFastBMP::ResizeBilinear(TFastRGB& dst) {
    ResizeBilinearPart(*this, dst, {dst.Width, dst.Height, 0, 0});
}
