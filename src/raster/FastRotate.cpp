#include "raster/FastRotate.h"

#include "raster/FastBMP.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr long double DegreesToRadians = 0.017453292519943295769L;

bool IsEmpty(const TFastRGB& buffer) {
    return buffer.Width <= 0 || buffer.Height <= 0;
}

// Dst(x, y) = Src(y, H - 1 - x) for a quarter turn counter-clockwise, or Src(W - 1 - y, x)
// for one clockwise. Walks in square tiles so that both buffers stay in the cache while
// the source is read down its columns.
void TurnQuarter(const TFastRGB& src, TFastRGB& dst, bool clockwise) {
    constexpr int32_t Tile = 64;
    const int32_t rowStep = clockwise ? 1 : -1;
    for (int32_t y0 = 0; y0 < dst.Height; y0 += Tile) {
        const int32_t y1 = std::min(y0 + Tile, dst.Height);
        for (int32_t x0 = 0; x0 < dst.Width; x0 += Tile) {
            const int32_t x1 = std::min(x0 + Tile, dst.Width);
            for (int32_t y = y0; y < y1; ++y) {
                // Destination row y is source column y (counter-clockwise) or W - 1 - y,
                // read from source row H - 1 - x0 downwards or from row x0 upwards.
                const size_t column = size_t(clockwise ? src.Width - 1 - y : y) * 3;
                int32_t row = clockwise ? x0 : src.Height - 1 - x0;
                uint8_t* target = dst.RowTable[size_t(y)] + size_t(x0) * 3;
                for (int32_t x = x0; x < x1; ++x, target += 3, row += rowStep)
                    std::memcpy(target, src.RowTable[size_t(row)] + column, 3);
            }
        }
    }
}

void TurnHalf(const TFastRGB& src, TFastRGB& dst) {
    const size_t bytes = size_t(src.Width) * 3;
    for (int32_t y = 0; y < dst.Height; ++y) {
        const uint8_t* source = src.RowTable[size_t(src.Height - 1 - y)] + bytes;
        uint8_t* target = dst.RowTable[size_t(y)];
        for (uint8_t* end = target + bytes; target != end; target += 3) {
            source -= 3;
            std::memcpy(target, source, 3);
        }
    }
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
        TurnQuarter(from, dst, false);
        break;
    case 2:
        TurnHalf(from, dst);
        break;
    case 3:
        TurnQuarter(from, dst, true);
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
