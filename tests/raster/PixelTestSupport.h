#pragma once

#include "raster/FastRGB.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

// Pixels in buffer terms: (column, row), row 0 at the bottom; blue, green, red.
using TBgr = std::array<uint8_t, 3>;

inline TBgr PixelAt(const TFastRGB& buffer, int32_t x, int32_t y) {
    const uint8_t* p = buffer.RowTable[size_t(y)] + size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

inline void SetPixelAt(TFastRGB& buffer, int32_t x, int32_t y, TBgr bgr) {
    std::memcpy(buffer.RowTable[size_t(y)] + size_t(x) * 3, bgr.data(), 3);
}

// A deterministic picture in which neighbouring pixels and channels differ.
inline void FillNoise(TFastRGB& buffer, uint32_t seed) {
    for (int32_t y = 0; y < buffer.Height; ++y)
        for (int32_t x = 0; x < buffer.Width * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            buffer.RowTable[size_t(y)][x] = uint8_t(seed >> 24);
        }
}

inline void FillPadding(TFastRGB& buffer, uint8_t value) {
    for (int32_t y = 0; y < buffer.Height; ++y)
        std::memset(buffer.RowTable[size_t(y)] + size_t(buffer.Width) * 3, value,
                    size_t(buffer.RowPadding));
}

inline bool PaddingIs(const TFastRGB& buffer, uint8_t value) {
    for (int32_t y = 0; y < buffer.Height; ++y)
        for (int32_t i = 0; i < buffer.RowPadding; ++i)
            if (buffer.RowTable[size_t(y)][size_t(buffer.Width) * 3 + size_t(i)] != value)
                return false;
    return true;
}

// The picture without its padding, row 0 first.
inline std::vector<uint8_t> PixelBytes(const TFastRGB& buffer) {
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < buffer.Height; ++y)
        bytes.insert(bytes.end(), buffer.RowTable[size_t(y)],
                     buffer.RowTable[size_t(y)] + size_t(buffer.Width) * 3);
    return bytes;
}
