#pragma once

#include "codecs/CCITTTwoDimensionalDecoder.h"

// TIFF compression 4: group 4 fax (ITU-T T.6), every row coded two-dimensionally against
// the row above it, the first against a white row, without end-of-line codes; an end of
// facsimile block (two EOL codes) ends the data. A damaged row ends decoding, since nothing
// follows to find the next row by; the rows not reached stay white.
class TCCITTFax4Decoder : public TCCITTTwoDimensionalDecoder {
public:
    TCCITTFax4Decoder(uint32_t width, bool reverseBits)
        : TCCITTTwoDimensionalDecoder(0, width, false, reverseBits) {}

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
};
