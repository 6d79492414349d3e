#include "raster/FastRotate.h"

#include "raster/FastBMP.h"
#include "raster/PixelQuads.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace {

constexpr long double DegreesToRadians = 0.017453292519943295769L;

bool IsEmpty(const TFastRGB& buffer) {
    return buffer.Width <= 0 || buffer.Height <= 0;
}

// The source pixel of destination pixel (X, Y): Src(Y, H - 1 - X) for a quarter turn
// counter-clockwise, Src(W - 1 - Y, X) for one clockwise.
template <bool Clockwise>
const uint8_t* QuarterSource(const TFastRGB& src, int32_t x, int32_t y) {
    return Clockwise ? src.RowTable[size_t(x)] + size_t(src.Width - 1 - y) * 3
                     : src.RowTable[size_t(src.Height - 1 - x)] + size_t(y) * 3;
}

template <bool Clockwise>
void CopyQuarterPixels(const TFastRGB& src, TFastRGB& dst, int32_t x0, int32_t x1, int32_t y0,
                       int32_t y1) {
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
            std::memcpy(dst.RowTable[size_t(y)] + size_t(x) * 3,
                        QuarterSource<Clockwise>(src, x, y), 3);
}

// Turns the 4 x 4 block whose source rows start at Rows[0 .. 3] (at the block's columns)
// into the destination rows Out[0 .. 3]: destination row j takes pixel j of every source
// row (counter-clockwise) or pixel 3 - j (clockwise).
template <bool Clockwise>
inline void TurnBlock(const uint8_t* const (&rows)[4], uint8_t* const (&out)[4]) {
    uint32_t pixel[4][4];
    for (int k = 0; k < 4; ++k)
        UnpackQuad(LoadQuad(rows[k]), pixel[k]);
    for (int j = 0; j < 4; ++j) {
        const int i = Clockwise ? 3 - j : j;
        StoreQuad(out[j], PackQuad(pixel[0][i], pixel[1][i], pixel[2][i], pixel[3][i]));
    }
}

#if defined(__x86_64__)
// The same block with vector shuffles: each source quad is widened to four 32-bit lanes, the
// 4 x 4 lanes are transposed, and each result narrowed back to twelve bytes.
template <bool Clockwise>
__attribute__((target("ssse3"))) inline void TurnBlockSsse3(const uint8_t* const (&rows)[4],
                                                            uint8_t* const (&out)[4]) {
    constexpr int8_t Z = -128; // a shuffle index that yields zero
    const __m128i widen = _mm_setr_epi8(0, 1, 2, Z, 3, 4, 5, Z, 6, 7, 8, Z, 9, 10, 11, Z);
    const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, Z, Z, Z, Z);
    __m128i lanes[4];
    for (int k = 0; k < 4; ++k) {
        uint32_t last;
        std::memcpy(&last, rows[k] + 8, 4);
        const __m128i quad =
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[k])),
                               _mm_cvtsi32_si128(int(last)));
        lanes[k] = _mm_shuffle_epi8(quad, widen);
    }
    const __m128i t0 = _mm_unpacklo_epi32(lanes[0], lanes[1]);
    const __m128i t1 = _mm_unpacklo_epi32(lanes[2], lanes[3]);
    const __m128i t2 = _mm_unpackhi_epi32(lanes[0], lanes[1]);
    const __m128i t3 = _mm_unpackhi_epi32(lanes[2], lanes[3]);
    const __m128i columns[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                                _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
    for (int j = 0; j < 4; ++j) {
        const __m128i packed = _mm_shuffle_epi8(columns[Clockwise ? 3 - j : j], narrow);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[j]), packed);
        const uint32_t last = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8)));
        std::memcpy(out[j] + 8, &last, 4);
    }
}
#endif

using TBlockTurn = void (*)(const uint8_t* const (&)[4], uint8_t* const (&)[4]);

// Walks the destination in square tiles: the source is read across its rows, each row a
// different page and line, so a tile keeps the rows it touches in the cache and the address
// translation buffer until it has used them whole. Inside a tile, blocks of 4 x 4 pixels are
// turned by Turn. Always inlined, so that it takes on the instruction set of its caller.
template <bool Clockwise, TBlockTurn Turn>
__attribute__((always_inline)) inline void WalkQuarterTiles(const TFastRGB& src, TFastRGB& dst) {
    constexpr int32_t Tile = 256; // a multiple of the block size
    const uint8_t* const* sourceRows = src.RowTable.data();
    uint8_t* const* targetRows = dst.RowTable.data();
    for (int32_t y0 = 0; y0 < dst.Height; y0 += Tile) {
        const int32_t y1 = std::min(y0 + Tile, dst.Height);
        for (int32_t x0 = 0; x0 < dst.Width; x0 += Tile) {
            const int32_t x1 = std::min(x0 + Tile, dst.Width);
            int32_t y = y0;
            for (; y + 4 <= y1; y += 4) {
                // Destination rows y .. y + 3 are source columns y .. y + 3 (counter-clockwise)
                // or W - 1 - y down to W - 4 - y (clockwise).
                const size_t column = size_t(Clockwise ? src.Width - 4 - y : y) * 3;
                uint8_t* out[4] = {
                    targetRows[y] + size_t(x0) * 3, targetRows[y + 1] + size_t(x0) * 3,
                    targetRows[y + 2] + size_t(x0) * 3, targetRows[y + 3] + size_t(x0) * 3};
                int32_t x = x0;
                for (; x + 4 <= x1; x += 4) {
                    // Destination column x + k is source row x + k, or H - 1 - x - k.
                    const int32_t row = Clockwise ? x : src.Height - 4 - x;
                    const uint8_t* const ascending[4] = {
                        sourceRows[row] + column, sourceRows[row + 1] + column,
                        sourceRows[row + 2] + column, sourceRows[row + 3] + column};
                    const uint8_t* const block[4] = {
                        ascending[Clockwise ? 0 : 3], ascending[Clockwise ? 1 : 2],
                        ascending[Clockwise ? 2 : 1], ascending[Clockwise ? 3 : 0]};
                    Turn(block, out);
                    for (uint8_t*& o : out)
                        o += 12;
                }
                CopyQuarterPixels<Clockwise>(src, dst, x, x1, y, y + 4);
            }
            CopyQuarterPixels<Clockwise>(src, dst, x0, x1, y, y1);
        }
    }
}

#if defined(__x86_64__)
template <bool Clockwise>
__attribute__((target("ssse3"))) void TurnQuarterSsse3(const TFastRGB& src, TFastRGB& dst) {
    WalkQuarterTiles<Clockwise, TurnBlockSsse3<Clockwise>>(src, dst);
}
#endif

template <bool Clockwise>
void TurnQuarter(const TFastRGB& src, TFastRGB& dst) {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("ssse3")) {
        TurnQuarterSsse3<Clockwise>(src, dst);
        return;
    }
#endif
    WalkQuarterTiles<Clockwise, TurnBlock<Clockwise>>(src, dst);
}

void TurnHalf(const TFastRGB& src, TFastRGB& dst) {
    for (int32_t y = 0; y < dst.Height; ++y)
        ReversePixels(src.RowTable[size_t(src.Height - 1 - y)], dst.RowTable[size_t(y)],
                      size_t(src.Width));
}

// A private copy of Src when Src and Dst are one buffer, so reads never see written pixels.
class TSourceCopy {
public:
    TSourceCopy(const TFastRGB& src, const TFastRGB& dst) : Source(&src) {
        if (&src != &dst)
            return;
        Copy.SetSize(src.Width, src.Height);
        std::memcpy(Copy.PixelData, src.PixelData, size_t(src.ByteSize));
        Source = &Copy;
    }
    const TFastRGB& operator*() const { return *Source; }

private:
    const TFastRGB* Source;
    TFastBMP Copy;
};

inline uint8_t RoundToByte(long double v) {
    return uint8_t(std::clamp<long double>(std::nearbyint(v), 0, 255));
}

} // namespace

void RotatedExtent(const TFastRGB& src, TFastRGB& dst, long double angle) {
    const long double w = src.Width;
    const long double h = src.Height;
    if (!std::isfinite(angle))
        return;
    const long double a = std::fabs(angle) * DegreesToRadians;
    const long double c = std::cos(a);
    const long double s = std::sin(a);
    dst.SetSize(int32_t(std::nearbyint(std::fabs(c * w) + std::fabs(s * h))),
                int32_t(std::nearbyint(std::fabs(s * w) + std::fabs(c * h))));
}

void RotateQuarter(const TFastRGB& src, TFastRGB& dst, int64_t angle) {
    const int q = int(((angle / 90) % 4 + 4) % 4);
    if (q == 0 && &src == &dst)
        return;
    const TSourceCopy source(src, dst);
    const TFastRGB& from = *source;
    if (q % 2)
        dst.SetSize(from.Height, from.Width);
    else
        dst.SetSize(from.Width, from.Height);
    if (IsEmpty(from))
        return;
    switch (q) {
    case 0:
        std::memcpy(dst.PixelData, from.PixelData, size_t(from.ByteSize));
        break;
    case 1:
        TurnQuarter<false>(from, dst);
        break;
    case 2:
        TurnHalf(from, dst);
        break;
    case 3:
        TurnQuarter<true>(from, dst);
        break;
    }
}

void RotateBilinear(const TFastRGB& src, TFastRGB& dst, int32_t cx, long double angle, int32_t cy) {
    if (IsEmpty(src) || IsEmpty(dst) || !std::isfinite(angle))
        return;
    const TSourceCopy source(src, dst);
    const TFastRGB& from = *source;
    const long double theta = -angle * DegreesToRadians;
    const double s = double(std::sin(theta));
    const double c = double(std::cos(theta));
    const int32_t xd = (dst.Width - from.Width) / 2;
    const int32_t yd = (dst.Height - from.Height) / 2;
    const int32_t lastColumn = from.Width - 1;
    const int32_t lastRow = from.Height - 1;

    // tx * c and tx * s per column are the same products in every row.
    std::vector<long double> txc(size_t(dst.Width)), txs(size_t(dst.Width));
    for (int32_t x = 0; x < dst.Width; ++x) {
        const long double tx = 2 * (int64_t(x) - cx) + 1;
        txc[size_t(x)] = tx * c;
        txs[size_t(x)] = tx * s;
    }
    for (int32_t y = 0; y < dst.Height; ++y) {
        const long double ty = 2 * (int64_t(y) - cy) + 1;
        const long double tys = ty * s;
        const long double tyc = ty * c;
        uint8_t* target = dst.RowTable[size_t(y)];
        for (int32_t x = 0; x < dst.Width; ++x, target += 3) {
            const long double fx = (txc[size_t(x)] - tys - 1) / 2 + cx - xd;
            const long double fy = (txs[size_t(x)] + tyc - 1) / 2 + cy - yd;
            const long double rx = std::nearbyint(fx);
            const long double ry = std::nearbyint(fy);
            if (!(rx >= 0 && rx <= lastColumn && ry >= 0 && ry <= lastRow))
                continue;
            const int32_t ix = int32_t(rx);
            const int32_t iy = int32_t(ry);
            const long double dx = fx - rx;
            const long double dy = fy - ry;
            const size_t c0 = size_t(ix) * 3;
            const size_t c1 = size_t(std::min(ix + 1, lastColumn)) * 3;
            const uint8_t* row0 = from.RowTable[size_t(iy)];
            const uint8_t* row1 = from.RowTable[size_t(std::min(iy + 1, lastRow))];
            for (int channel = 0; channel < 3; ++channel) {
                const long double p00 = row0[c0 + channel];
                const long double p01 = row0[c1 + channel];
                const long double p10 = row1[c0 + channel];
                const long double p11 = row1[c1 + channel];
                const long double top = p00 + (p01 - p00) * dx;
                const long double bottom = p10 + (p11 - p10) * dx;
                target[channel] = RoundToByte(top + (bottom - top) * dy);
            }
        }
    }
}
