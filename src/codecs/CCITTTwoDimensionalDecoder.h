#pragma once

#include "codecs/CCITTDecoder.h"

#include <cstdint>
#include <vector>

// What the fax decoders that code rows against the row above them share (ITU-T T.4 section
// 4.2, T.6): the pass, horizontal and vertical modes and the reference row.
class TCCITTTwoDimensionalDecoder : public TCCITTDecoder {
public:
    using TCCITTDecoder::TCCITTDecoder;

protected:
    enum class TRowEnd { Complete, EndOfLine, Failed };

    // Decodes the current row against the reference row. Failed: an invalid or unsupported
    // code, or the data ended; the row keeps what was decoded.
    TRowEnd DecodeTwoDimensionalRow();
    // The colour changes of the current row become the reference for the next one.
    void TakeReference();
    // The row above the next one is white.
    void ClearReference() { FReference.clear(); }

private:
    // Columns where the reference row changes colour; the first change is to black.
    std::vector<uint32_t> FReference;
};
