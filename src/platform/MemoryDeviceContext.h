#pragma once

#include "platform/DeviceContext.h"

#include <cstdint>
#include <vector>

// A device context over a top-down blue-green-red image in memory: what tests paint into
// instead of the screen. Every stretch mode samples the nearest pixel.
class TMemoryDeviceContext : public TDeviceContext {
public:
    // A black image; sizes MayAllocatePicture refuses raise EInvalidGraphic (0 x 0 is allowed).
    TMemoryDeviceContext(int32_t width, int32_t height);

    int SetStretchBltMode(int mode) override;
    void StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy,
                       int32_t sw, int32_t sh, const uint8_t* bits,
                       const TBitmapInfoHeader& info) override;
    void FillRegion(const TRegion& region, TColorRGB color) override;
    TRect ClipBox() const override { return {0, 0, FWidth, FHeight}; }

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    int StretchBltMode() const { return FStretchBltMode; }
    // (X, Y) counted from the top-left; must lie inside the image.
    TColorRGB Pixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, TColorRGB color);

private:
    uint8_t* At(int32_t x, int32_t y) { return FPixels.data() + (size_t(y) * FWidth + x) * 3; }

    int32_t FWidth;
    int32_t FHeight;
    int FStretchBltMode = 1; // BLACKONWHITE, the platform's initial mode
    std::vector<uint8_t> FPixels;
};
