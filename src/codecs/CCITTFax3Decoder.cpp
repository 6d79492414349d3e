#include "codecs/CCITTFax3Decoder.h"

namespace {
constexpr uint32_t T4TwoDimensional = 1;
}

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

void TCCITTFax3Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                               int32_t unpackedSize) {
    Begin(source, dest, packedSize, unpackedSize);
    bool endedOnEOL = false;
    while (HasBits() && RoomLeft()) {
        // An EOL decoded as a run has been read whole already.
        if (!endedOnEOL && !SynchroniseOnEOL())
            break;
        endedOnEOL = false;
        if ((FT4Options & T4TwoDimensional) && ReadBit() == 0) {
            EndRow(); // a two-dimensional row: left white
            continue;
        }
        FBlack = false;
        while (HasBits()) {
            const int32_t run = ReadRun(FBlack);
            if (run == CodeEOL) {
                endedOnEOL = true;
                break;
            }
            if (run < 0 || WriteRun(run))
                break;
            FBlack = !FBlack;
        }
        if (RowStarted() || !endedOnEOL)
            EndRow();
    }
}
