#pragma once

#include "codecs/Decoder.h"

#include <cstdint>
#include <vector>

// Common part of the fax decoders (ITU-T T.4 modified Huffman runs): the white and black code
// trees, a bit reader over the packed strip and a writer of runs into
// rows of one bit per pixel, most significant bit first, 1 = black. Dest is cleared first,
// so missing data leave white. Source and dest are not advanced for the caller.
class TCCITTDecoder : public TDecoder {
public:
    TCCITTDecoder(uint32_t t4Options, uint32_t width, bool wordAligned, bool reverseBits);

    void Encode(const uint8_t*, uint8_t*, uint32_t, uint32_t& bytesStored) override {
        bytesStored = 0;
    }

protected:
    static constexpr int32_t CodeEOL = -1;
    static constexpr int32_t CodeInvalid = -2;

    // Prepares reader and writer for one strip and clears dest.
    void Begin(const uint8_t* source, uint8_t* dest, int32_t packedSize, int32_t unpackedSize);
    bool HasBits() const { return FBitsLeft > 0 || FSourcePos < FSourceEnd; }
    // The next bit, or -1 when the data are exhausted.
    int ReadBit();
    // Drops the rest of the current source byte.
    void SkipToByte() { FBitsLeft = 0; }
    size_t SourceOffset() const { return size_t(FSourcePos - FSourceStart); }
    void SkipSourceByte() {
        if (FSourcePos < FSourceEnd)
            ++FSourcePos;
    }
    // Sum of make-up and terminating codes, CodeEOL, CodeInvalid; what was read so far when
    // the data end in the middle of a code.
    int32_t ReadRun(bool black);
    // Writes a run in the current colour, cut at the row's end; true when it completes the row.
    bool WriteRun(int32_t count);
    // Moves to the next row; false when dest has no room for another row.
    bool EndRow();
    bool RowStarted() const { return FColumn > 0; }
    // Pixels of the current row written so far, and the row itself.
    uint32_t Column() const { return FColumn; }
    const uint8_t* CurrentRow() const { return FRowStart; }
    bool RoomLeft() const { return FRowStart + FRowBytes <= FDestEnd; }

    const uint32_t FT4Options;
    const uint32_t FWidth;
    const bool FWordAligned;
    const bool FReverseBits;
    bool FBlack = false; // colour of the next run

private:
    struct TNode {
        int32_t Child[2] = {0, 0};
        int32_t Value = 0;
        bool Leaf = false;
    };
    static void Insert(std::vector<TNode>& tree, uint32_t code, int bits, int32_t value);

    std::vector<TNode> FWhiteTree;
    std::vector<TNode> FBlackTree;
    const uint8_t* FSourceStart = nullptr;
    const uint8_t* FSourcePos = nullptr;
    const uint8_t* FSourceEnd = nullptr;
    uint8_t FCurrentByte = 0;
    int FBitsLeft = 0;
    uint8_t* FRowStart = nullptr;
    uint8_t* FDestEnd = nullptr;
    size_t FRowBytes = 0;
    uint32_t FColumn = 0;
};
