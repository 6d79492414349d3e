#pragma once

#include "codecs/Decoder.h"

#include <cstdint>
#include <vector>

// Common part of the fax decoders (ITU-T T.4 modified Huffman runs): the white and black run
// codes, a bit reader over the packed strip and a writer of runs into rows of one bit per
// pixel, most significant bit first, 1 = black. Dest is cleared first, so missing data leave
// white. Source and dest are not advanced for the caller.
class TCCITTDecoder : public TDecoder {
public:
    TCCITTDecoder(uint32_t t4Options, uint32_t width, bool wordAligned, bool reverseBits);

    void Encode(const uint8_t*, uint8_t*, uint32_t, uint32_t& bytesStored) override {
        bytesStored = 0;
    }

    // Run values that are no runs.
    static constexpr int32_t CodeEOL = -1;
    static constexpr int32_t CodeInvalid = -2;

protected:
    // Prepares reader and writer for one strip and clears dest.
    void Begin(const uint8_t* source, uint8_t* dest, int32_t packedSize, int32_t unpackedSize);
    bool HasBits() const { return FBitPos < FBitEnd; }
    // The next bit, or -1 when the data are exhausted.
    int ReadBit() {
        if (FBitPos >= FBitEnd)
            return -1;
        const int bit = (SourceByte(FBitPos >> 3) >> (7 - (FBitPos & 7))) & 1;
        ++FBitPos;
        return bit;
    }
    // Drops the rest of the current source byte.
    void SkipToByte() { FBitPos = (FBitPos + 7) & ~uint64_t(7); }
    // Source bytes taken so far, a partly read one included.
    size_t SourceOffset() const { return size_t((FBitPos + 7) >> 3); }
    // Skips one whole byte at a byte boundary, if there is one.
    void SkipSourceByte() {
        if (FBitPos < FBitEnd)
            FBitPos += 8;
    }
    // Sum of make-up and terminating codes (at most the row width), CodeEOL, CodeInvalid;
    // what was read so far when the data end in the middle of a code.
    int32_t ReadRun(bool black);
    // Writes a run in the current colour, cut at the row's end; true when it completes the row.
    bool WriteRun(int32_t count);
    // Moves to the next row; false when dest has no room for another row.
    bool EndRow();
    bool RowStarted() const { return FColumn > 0; }
    // Pixels of the current row written so far, and the row itself.
    uint32_t Column() const { return FColumn; }
    const uint8_t* CurrentRow() const { return FRowStart; }
    // Compared as a distance, which is also defined for the null dest of an empty strip.
    bool RoomLeft() const { return size_t(FDestEnd - FRowStart) >= FRowBytes; }

    const uint32_t FT4Options;
    const uint32_t FWidth;
    const bool FWordAligned;
    bool FBlack = false; // colour of the next run

private:
    // The source byte at INDEX; 0 past the end.
    uint8_t SourceByte(uint64_t index) const { return index < (FBitEnd >> 3) ? FSource[index] : 0; }
    // The next 32 bits from the bit position, of which at least 25 are read from the
    // source; 0 past its end.
    uint32_t PeekBits() const;

    const bool FReverseBits;
    std::vector<uint8_t> FReversed; // the strip in most-significant-first order for fill order 2
    const uint8_t* FSource = nullptr;
    uint64_t FBitPos = 0;
    uint64_t FBitEnd = 0;
    uint8_t* FRowStart = nullptr;
    uint8_t* FDestEnd = nullptr;
    size_t FRowBytes = 0;
    uint32_t FColumn = 0;
};
