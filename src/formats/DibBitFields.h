#pragma once

#include "formats/DibHeader.h"

#include <cstdint>

// Unpacks 16- or 32-bit pixels whose channels sit under arbitrary masks into blue, green,
// red (and alpha) bytes, each channel scaled from its own range to 0 .. 255.
class TBitFieldsUnpacker {
public:
    TBitFieldsUnpacker(const TDibChannelMasks& masks, int bitCount);

    // Reads Width pixels from In and writes OutPixelBytes per pixel: 3 (blue, green, red) or
    // 4 (and alpha).
    void UnpackRow(const uint8_t* in, int32_t width, uint8_t* out, int outPixelBytes) const;

private:
    struct TChannel {
        uint32_t Mask = 0;
        int Shift = 0;
        uint32_t Max = 0; // the channel's largest value, 0 when absent
        uint8_t Scale(uint32_t pixel) const;
    };
    TChannel Channels[4]; // blue, green, red, alpha
    int PixelBytes;
};
