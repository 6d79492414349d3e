#include "raster/FastBMP.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

bool IsEmpty(const TFastRGB& buffer) {
    return buffer.Width <= 0 || buffer.Height <= 0;
}

// Byte offsets of the source pixels that target columns 0 .. count - 1 take when the
// position advances by Step (16.16 fixed point) per column.
std::vector<size_t> SampleOffsets(int32_t count, int64_t step) {
    std::vector<size_t> offsets(static_cast<size_t>(count));
    int64_t position = 0;
    for (size_t& offset : offsets) {
        offset = size_t(position >> 16) * 3;
        position += step;
    }
    return offsets;
}

void ReduceNearest(const TFastRGB& src, TFastRGB& dst) {
    const std::vector<size_t> columns =
        SampleOffsets(dst.Width, (int64_t(src.Width) << 16) / dst.Width);
    const int64_t rowStep = (int64_t(src.Height) << 16) / dst.Height;
    int64_t rowPosition = 0;
    for (int32_t i = 0; i < dst.Height; ++i, rowPosition += rowStep) {
        const uint8_t* source = src.RowTable[size_t(rowPosition >> 16)];
        uint8_t* target = dst.RowTable[size_t(i)];
        for (size_t offset : columns) {
            std::memcpy(target, source + offset, 3);
            target += 3;
        }
    }
}

// Runs of Round(factor + 0.5) pixels starting at Trunc(index * factor), later runs winning.
void EnlargeNearest(const TFastRGB& src, TFastRGB& dst, float xf, float yf) {
    const int32_t nx = int32_t(std::nearbyint(xf + 0.5f));
    const int32_t ny = int32_t(std::nearbyint(yf + 0.5f));
    const size_t lineBytes = size_t(dst.Width) * 3;
    std::vector<uint8_t> line(lineBytes);
    for (int32_t i = 0; i < src.Height; ++i) {
        const uint8_t* source = src.RowTable[size_t(i)];
        for (int32_t j = 0; j < src.Width; ++j) {
            // The product of a float and an int is exact in double, as in extended precision.
            const int64_t start = int64_t(double(j) * xf);
            const int64_t end = std::min<int64_t>(start + nx, dst.Width);
            for (int64_t k = start; k < end; ++k)
                std::memcpy(&line[size_t(k) * 3], source + size_t(j) * 3, 3);
        }
        const int64_t dy = int64_t(double(i) * yf);
        const int64_t end = std::min<int64_t>(dy + ny, dst.Height);
        for (int64_t k = dy; k < end; ++k)
            std::memcpy(dst.RowTable[size_t(k)], line.data(), lineBytes);
    }
}

} // namespace

void TFastBMP::ResizeNearest(TFastRGB& dst) {
    if (IsEmpty(dst) || IsEmpty(*this))
        return;
    if (dst.Width == Width && dst.Height == Height) {
        std::memcpy(dst.PixelData, PixelData, size_t(ByteSize));
        return;
    }
    const float xf = float(dst.Width) / float(Width);
    const float yf = float(dst.Height) / float(Height);
    if (xf < 1 || yf < 1)
        ReduceNearest(*this, dst);
    else
        EnlargeNearest(*this, dst, xf, yf);
}

void TFastBMP::ResizeBilinear(TFastRGB& dst) {
    if (IsEmpty(dst) || IsEmpty(*this))
        return;
    if (Width == 1) {
        ResizeNearest(dst);
        return;
    }
    if (dst.Width == Width && dst.Height == Height) {
        std::memcpy(dst.PixelData, PixelData, size_t(ByteSize));
        return;
    }
    // 17.15 fixed point. Positions are 64-bit so wide pictures cannot overflow them; every
    // value stays what 32-bit arithmetic gives wherever that does not overflow.
    const int64_t xs = (int64_t(Width - 1) * 32768) / dst.Width;
    const int64_t ys = (int64_t(Height - 1) * 32768) / dst.Height;

    // The column of each target pixel and its horizontal weight do not change from row to row.
    struct TColumn {
        uint32_t Offset; // byte offset of the left neighbour
        uint32_t Fraction;
    };
    std::vector<TColumn> columns(size_t(dst.Width));
    int64_t sx = 0;
    for (TColumn& column : columns) {
        column = {uint32_t(sx >> 15) * 3, uint32_t(sx & 32767)};
        sx += xs;
    }

    int64_t sy = 0;
    for (int32_t i = 0; i < dst.Height; ++i, sy += ys) {
        const int64_t r = sy >> 15;
        const uint8_t* a = RowTable[size_t(r)];
        const uint8_t* b = RowTable[size_t(r < Height - 1 ? r + 1 : r)];
        const uint32_t fy = uint32_t(sy & 32767);
        const uint32_t gy = 32768 - fy;
        uint8_t* target = dst.RowTable[size_t(i)];
        for (const TColumn& column : columns) {
            const uint32_t wA1 = (column.Fraction * gy) >> 15;
            const uint32_t wA0 = gy - wA1;
            const uint32_t wB1 = (column.Fraction * fy) >> 15;
            const uint32_t wB0 = fy - wB1;
            const uint8_t* pa = a + column.Offset;
            const uint8_t* pb = b + column.Offset;
            for (int channel = 0; channel < 3; ++channel)
                target[channel] = uint8_t((pa[channel] * wA0 + pa[channel + 3] * wA1 +
                                           pb[channel] * wB0 + pb[channel + 3] * wB1) >>
                                          15);
            target += 3;
        }
    }
}
