#pragma once

#include "codecs/CCITTTwoDimensionalDecoder.h"

// TIFF compression 3: group 3 fax, every row introduced by an EOL code. With T4Options bit 0
// a tag bit follows each EOL: 1 for a row of runs, 0 for a row coded two-dimensionally
// (ITU-T T.4 section 4.2) against the row above it.
class TCCITTFax3Decoder : public TCCITTTwoDimensionalDecoder {
public:
    using TCCITTTwoDimensionalDecoder::TCCITTTwoDimensionalDecoder;

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;

private:
    // Reads past the next EOL (any number of fill zeros, then a 1); false when the data end.
    bool SynchroniseOnEOL();
    // True when the row ended on an EOL code.
    bool DecodeOneDimensionalRow();
};
