#pragma once

#include "codecs/Decoder.h"

// GIF's variable-length LZW (codes least significant bit first), one byte per pixel out.
// The GIF reader decodes a whole image in one call: packedSize is all its data sub-blocks
// joined, unpackedSize the pixel count. Source and dest are not advanced for the caller.
// Nothing is raised: invalid codes are dropped, missing data leave the rest of dest unwritten.
class TGIFLZWDecoder : public TDecoder {
public:
    // The image's LZW minimum code size; outside 1..11 nothing is decoded.
    explicit TGIFLZWDecoder(uint8_t initialCodeSize) : InitialCodeSize(initialCodeSize) {}

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;

    const uint8_t InitialCodeSize;
};
