#pragma once

#include "codecs/CCITTDecoder.h"

// TIFF compressions 2 and 32771: modified Huffman runs without EOL codes, every row starting
// on a byte boundary of the packed data (a 16-bit boundary when word aligned).
class TCCITTMHDecoder : public TCCITTDecoder {
public:
    using TCCITTDecoder::TCCITTDecoder;

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
};
