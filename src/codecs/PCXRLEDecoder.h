#pragma once

#include "codecs/Decoder.h"

// PCX run-length: a byte with both top bits set gives a count (its low 6 bits) for the byte
// after it; any other byte stands for itself. Both sizes count bytes; source and dest are not
// advanced for the caller. Decoding ends when the output is full or the input is used up.
class TPCXRLEDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
};
