#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <functional>
#include <vector>

// The 40-byte header of a device-independent bitmap as this port uses it: 24 bits per pixel,
// uncompressed; a positive height means rows are stored bottom-up.
struct TBitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 24;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// A region made of rectangles (what the display surface fills around the picture).
using TRegion = std::vector<TRect>;

// The rectangle Outer combined by exclusive-or with Inner: the parts of either that the
// other does not cover, as non-overlapping rectangles.
TRegion XorRegion(const TRect& outer, const TRect& inner);

// Rows of 32-bit pixels (blue, green, red, then 255), the first row the top one: what a screen
// takes without a conversion.
struct TBgrxRows {
    uint8_t* Top = nullptr;
    int64_t Stride = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// A drawing target: the screen through QPainter, or memory in tests.
class TDeviceContext {
public:
    virtual ~TDeviceContext() = default;

    virtual int SetStretchBltMode(int mode) = 0;
    // Scales the source rectangle (SX, SY, SW, SH) of a 24-bit DIB into the destination
    // rectangle (X, Y, DW, DH); source coordinates are those of the DIB (for a bottom-up
    // DIB, SY counts rows from the bottom), destination y grows downwards. Plain stretch:
    // nearest sample, nothing averaged.
    virtual void StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy,
                               int32_t sw, int32_t sh, const uint8_t* bits,
                               const TBitmapInfoHeader& info) = 0;
    virtual void FillRegion(const TRegion& region, TColorRGB color) = 0;
    // The part of the target that drawing can change, in destination coordinates: what a
    // paint needs to compute at most.
    virtual TRect ClipBox() const = 0;
    // Shows a W x H picture at (X, Y) unscaled, its pixels written by FILL straight into rows
    // the device can take as they are. False when there is no memory for them (nothing drawn).
    virtual bool DrawFilled(int32_t x, int32_t y, int32_t w, int32_t h,
                            const std::function<void(const TBgrxRows&)>& fill);
};
