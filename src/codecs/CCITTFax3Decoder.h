#pragma once

#include "codecs/CCITTDecoder.h"

// TIFF compression 3: one-dimensional group 3 fax, every row introduced by an EOL code.
// Rows coded two-dimensionally (T4Options bit 0, tag bit 0 after the EOL) cannot be decoded
// here and stay white.
class TCCITTFax3Decoder : public TCCITTDecoder {
public:
    using TCCITTDecoder::TCCITTDecoder;

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;

private:
    // Reads past the next EOL (any number of fill zeros, then a 1); false when the data end.
    bool SynchroniseOnEOL();
};
