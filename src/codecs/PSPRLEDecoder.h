#pragma once

#include "codecs/Decoder.h"

// Paint Shop Pro run-length: a byte b < 128 is followed by b literal bytes, a byte b >= 128
// by one byte repeated b - 128 times. Both sizes count bytes; source and dest are not
// advanced for the caller. Decoding ends when the input is used up or the output is full.
class TPSPRLEDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;

    // Bytes the last Decode wrote: a reader that cannot trust a stated size learns from it
    // how the data were laid out.
    int32_t UnpackedCount() const { return LastUnpacked; }

private:
    int32_t LastUnpacked = 0;
};
