#pragma once

#include "codecs/Decoder.h"

// PackBits (TIFF compression 32773, Photoshop): a signed count byte n, then n + 1 literal
// bytes (n >= 0) or one byte repeated 1 - n times (n < 0); -128 is a no-operation.
// Both sizes count bytes; source and dest are not advanced for the caller.
class TPackbitsRLEDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
};
