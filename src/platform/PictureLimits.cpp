#include "platform/PictureLimits.h"

namespace {
// 256 megapixels: a 32-bit bitmap of that size is 1 GiB, which a desktop can still hold.
int64_t PixelLimit = int64_t(1) << 28;
} // namespace

int64_t PicturePixelLimit() {
    return PixelLimit;
}

void SetPicturePixelLimit(int64_t pixels) {
    PixelLimit = pixels > 0 ? pixels : 1;
}

bool MayAllocatePicture(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0)
        return false;
    if (width > MaxPictureDimension || height > MaxPictureDimension)
        return false;
    return width * height <= PixelLimit;
}
