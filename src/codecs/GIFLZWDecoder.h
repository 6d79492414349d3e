#pragma once

#include "codecs/Decoder.h"

// GIF's variable-length LZW (codes least significant bit first), one byte per pixel out.
// The GIF reader decodes a whole image in one call: packedSize is all its data sub-blocks
// joined, unpackedSize the pixel count. Source and dest are not advanced for the caller.
// Nothing is raised: invalid codes are dropped, and the pixels the data do not yield are 0.
class TGIFLZWDecoder : public TDecoder {
public:
    // The image's LZW minimum code size; outside 1..8 nothing is decoded.
    explicit TGIFLZWDecoder(uint8_t initialCodeSize) : InitialCodeSize(initialCodeSize) {}

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
    bool ClearsUnyielded() const override { return true; }

    const uint8_t InitialCodeSize;
};
