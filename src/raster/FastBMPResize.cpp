#include "raster/FastBMP.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

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

// The column of a target pixel and its horizontal weight, the same for every row.
struct TBilinearColumn {
    uint32_t Offset; // byte offset of the left neighbour
    uint32_t Fraction;
};

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

// Resamples into rows of BYTES-byte pixels; ROW(i) is target row i counted from the bottom.
// Four-byte pixels get 255 as their fourth byte.
template <int Bytes, typename RowOf>
void ResizeBilinearRows(const TFastRGB& source, int32_t width, int32_t height, RowOf row,
                        const TResampleWindow& window) {
    // 17.15 fixed point. Positions are 64-bit so wide pictures cannot overflow them; every
    // value stays what 32-bit arithmetic gives wherever that does not overflow.
    const int64_t xs = (int64_t(source.Width - 1) * 32768) / window.TargetWidth;
    const int64_t ys = (int64_t(source.Height - 1) * 32768) / window.TargetHeight;
    std::vector<TBilinearColumn> columns(static_cast<size_t>(width));
    int64_t sx = int64_t(window.Left) * xs;
    for (TBilinearColumn& column : columns) {
        column = {uint32_t(sx >> 15) * 3, uint32_t(sx & 32767)};
        sx += xs;
    }
    int64_t sy = int64_t(window.Bottom) * ys;
    for (int32_t i = 0; i < height; ++i, sy += ys) {
        const int64_t r = sy >> 15;
        const uint8_t* a = source.RowTable[size_t(r)];
        const uint8_t* b = source.RowTable[size_t(r < source.Height - 1 ? r + 1 : r)];
        const uint32_t fy = uint32_t(sy & 32767);
        uint8_t* target = row(i);
        for (const TBilinearColumn& column : columns) {
            const TBilinearWeights w(column.Fraction, fy);
            const uint8_t* pa = a + column.Offset;
            const uint8_t* pb = b + column.Offset;
            for (int channel = 0; channel < 3; ++channel)
                target[channel] = uint8_t((pa[channel] * w.A0 + pa[channel + 3] * w.A1 +
                                           pb[channel] * w.B0 + pb[channel + 3] * w.B1) >>
                                          15);
            if (Bytes == 4)
                target[3] = 255;
            target += Bytes;
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
        window);
}

void ResizeBilinearPart(const TFastRGB& source, const TBgrxRows& part,
                        const TResampleWindow& window) {
    if (part.Width <= 0 || part.Height <= 0 || IsEmpty(source))
        return;
    ResizeBilinearRows<4>(
        source, part.Width, part.Height,
        [&](int32_t i) { return part.Top + (part.Height - 1 - i) * part.Stride; }, window);
}

void TFastBMP::ResizeNearest(TFastRGB& dst) {
    ResizeNearestPart(*this, dst, {dst.Width, dst.Height, 0, 0});
}

void TFastBMP::ResizeBilinear(TFastRGB& dst) {
    ResizeBilinearPart(*this, dst, {dst.Width, dst.Height, 0, 0});
}
