#include "raster/FastFX.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

} // namespace

void MakeGrayscale(TFastRGB& buffer) {
    if (IsEmpty(buffer))
        return;
    uint8_t mean[768];
    for (int k = 0; k < 768; ++k)
        mean[k] = uint8_t(k / 3);
    ForEachRow(buffer, [&](uint8_t* p, size_t bytes) {
        for (uint8_t* end = p + bytes; p != end; p += 3)
            p[0] = p[1] = p[2] = mean[p[0] + p[1] + p[2]];
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
    ForEachRow(buffer, [](uint8_t* row, size_t bytes) {
        uint8_t* left = row;
        uint8_t* right = row + bytes - 3;
        for (; left < right; left += 3, right -= 3) {
            uint8_t pixel[3];
            std::memcpy(pixel, left, 3);
            std::memcpy(left, right, 3);
            std::memcpy(right, pixel, 3);
        }
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
