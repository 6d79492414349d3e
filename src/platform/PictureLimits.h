#pragma once

#include <cstdint>

// The one gate every reader passes before it allocates a picture: refuses sizes that are
// not positive, too large in one dimension, or more pixels than the machine can hold.
constexpr int64_t MaxPictureDimension = int64_t(1) << 20;

// Largest pixel count a picture may have; fuzzers lower it to keep allocations small.
int64_t PicturePixelLimit();
void SetPicturePixelLimit(int64_t pixels);

bool MayAllocatePicture(int64_t width, int64_t height);

// Bytes of one row of a bottom-up or top-down device-independent bitmap: rounded up to a
// multiple of 4. Callers have passed MayAllocatePicture, so this cannot overflow.
inline int64_t DibRowBytes(int64_t width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}
