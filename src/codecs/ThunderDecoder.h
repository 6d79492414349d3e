#pragma once

#include "codecs/Decoder.h"

#include <cstdint>

// TIFF compression 32809 (ThunderScan): 4-bit pixels, two per output byte with the first in
// the high nibble, coded as runs, 2- and 3-bit deltas and raw values. Every row of WIDTH
// pixels is coded on its own, starting from pixel value 0. Source and dest are not advanced for the
// caller; missing data leave the rest of dest as it was.
class TThunderDecoder : public TDecoder {
public:
    explicit TThunderDecoder(uint32_t width) : FWidth(width) {}

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t, uint32_t& bytesStored) override {
        bytesStored = 0;
    }

private:
    const uint32_t FWidth;
};
