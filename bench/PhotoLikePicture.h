#pragma once

#include "platform/Bitmap.h"

#include <algorithm>
#include <cstdint>

// Smooth gradients with a fine texture: compresses like a photograph, not like noise.
inline TBitmap MakePhotoLikeBitmap(int32_t width, int32_t height) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int grain = int((seed >> 16) & 15) - 8;
            row[x * 3] = uint8_t(std::clamp((x * 255) / width + grain, 0, 255));
            row[x * 3 + 1] = uint8_t(std::clamp((y * 255) / height + grain, 0, 255));
            row[x * 3 + 2] = uint8_t(std::clamp(((x + y) / 40) % 256 + grain, 0, 255));
        }
    }
    return bitmap;
}
