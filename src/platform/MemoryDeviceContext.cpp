#include "platform/MemoryDeviceContext.h"

#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"

#include <algorithm>
#include <cstring>

namespace {

// Index of the source sample for each destination offset 0 .. count - 1 of a stretch from
// SourceCount to Count samples: the one under the destination sample's centre.
std::vector<int64_t> NearestSamples(int32_t count, int32_t sourceCount) {
    std::vector<int64_t> samples(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        samples[size_t(i)] = ((2 * int64_t(i) + 1) * sourceCount) / (2 * int64_t(count));
    return samples;
}

} // namespace

TMemoryDeviceContext::TMemoryDeviceContext(int32_t width, int32_t height)
    : FWidth(width), FHeight(height) {
    const bool empty = width == 0 || height == 0;
    if (width < 0 || height < 0 || (!empty && !MayAllocatePicture(width, height)))
        throw EInvalidGraphic("Invalid device context size");
    FPixels.assign(size_t(width) * size_t(height) * 3, 0);
}

int TMemoryDeviceContext::SetStretchBltMode(int mode) {
    const int previous = FStretchBltMode;
    FStretchBltMode = mode;
    return previous;
}

void TMemoryDeviceContext::StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx,
                                         int32_t sy, int32_t sw, int32_t sh, const uint8_t* bits,
                                         const TBitmapInfoHeader& info) {
    // Mirroring through negative extents is not something this port draws.
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || !bits || info.biBitCount != 24 ||
        info.biWidth <= 0 || info.biHeight == 0)
        return;
    const int64_t dibWidth = info.biWidth;
    const int64_t dibHeight = info.biHeight < 0 ? -int64_t(info.biHeight) : info.biHeight;
    const bool bottomUp = info.biHeight > 0;
    const int64_t stride = DibRowBytes(dibWidth, 24);

    const std::vector<int64_t> columns = NearestSamples(dw, sw);
    const std::vector<int64_t> rows = NearestSamples(dh, sh);
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + dw, FWidth);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t bottom = std::min<int64_t>(int64_t(y) + dh, FHeight);
    for (int64_t ty = top; ty < bottom; ++ty) {
        // Destination rows run downwards; the source rectangle's top row is its last DIB row
        // when the DIB is stored bottom-up.
        const int64_t offset = rows[size_t(ty - y)];
        const int64_t dibRow = bottomUp ? int64_t(sy) + sh - 1 - offset : int64_t(sy) + offset;
        if (dibRow < 0 || dibRow >= dibHeight)
            continue;
        const uint8_t* sourceRow = bits + dibRow * stride;
        uint8_t* target = At(int32_t(left), int32_t(ty));
        for (int64_t tx = left; tx < right; ++tx, target += 3) {
            const int64_t column = int64_t(sx) + columns[size_t(tx - x)];
            if (column >= 0 && column < dibWidth)
                std::memcpy(target, sourceRow + column * 3, 3);
        }
    }
}

void TMemoryDeviceContext::FillRegion(const TRegion& region, TColorRGB color) {
    for (const TRect& r : region) {
        const int32_t left = std::max(r.Left, 0);
        const int32_t right = std::min(r.Right, FWidth);
        const int32_t top = std::max(r.Top, 0);
        const int32_t bottom = std::min(r.Bottom, FHeight);
        for (int32_t ty = top; ty < bottom; ++ty)
            for (int32_t tx = left; tx < right; ++tx)
                SetPixel(tx, ty, color);
    }
}

TColorRGB TMemoryDeviceContext::Pixel(int32_t x, int32_t y) const {
    const uint8_t* p = FPixels.data() + (size_t(y) * FWidth + x) * 3;
    return {p[2], p[1], p[0]};
}

void TMemoryDeviceContext::SetPixel(int32_t x, int32_t y, TColorRGB color) {
    uint8_t* p = At(x, y);
    p[0] = color.Blue;
    p[1] = color.Green;
    p[2] = color.Red;
}
