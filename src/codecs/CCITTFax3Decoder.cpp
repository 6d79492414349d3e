#include "codecs/CCITTFax3Decoder.h"

#include <algorithm>

namespace {

constexpr uint32_t T4TwoDimensional = 1;

} // namespace

bool TCCITTFax3Decoder::SynchroniseOnEOL() {
    int zeros = 0;
    for (;;) {
        const int bit = ReadBit();
        if (bit < 0)
            return false;
        if (bit == 0)
            ++zeros;
        else if (zeros >= 11)
            return true;
        else
            zeros = 0;
    }
}

bool TCCITTFax3Decoder::DecodeOneDimensionalRow() {
    FBlack = false;
    while (HasBits()) {
        const int32_t run = ReadRun(FBlack);
        if (run == CodeEOL)
            return true;
        if (run < 0 || WriteRun(run))
            break;
        FBlack = !FBlack;
    }
    return false;
}

void TCCITTFax3Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                               int32_t unpackedSize) {
    Begin(source, dest, packedSize, unpackedSize);
    const bool twoDimensional = FT4Options & T4TwoDimensional;
    // Each strip starts afresh: the row above its first row counts as white.
    ClearReference();
    bool endedOnEOL = false;
    while (HasBits() && RoomLeft()) {
        // An EOL decoded as a run has been read whole already.
        if (!endedOnEOL && !SynchroniseOnEOL())
            break;
        const int tag = twoDimensional ? ReadBit() : 1;
        if (tag < 0)
            break;
        endedOnEOL =
            tag == 1 ? DecodeOneDimensionalRow() : DecodeTwoDimensionalRow() == TRowEnd::EndOfLine;
        if (RowStarted() || !endedOnEOL) {
            if (twoDimensional)
                TakeReference();
            EndRow();
        }
    }
}
