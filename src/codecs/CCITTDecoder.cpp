#include "codecs/CCITTDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

struct TCode {
    uint16_t Code;
    uint8_t Bits;
};

// ITU-T T.4 terminating codes, runs 0 to 63.
constexpr TCode WhiteTerminating[64] = {
    {0x35, 8}, {0x7, 6},  {0x7, 4},  {0x8, 4},  {0xB, 4},  {0xC, 4},  {0xE, 4},  {0xF, 4},
    {0x13, 5}, {0x14, 5}, {0x7, 5},  {0x8, 5},  {0x8, 6},  {0x3, 6},  {0x34, 6}, {0x35, 6},
    {0x2A, 6}, {0x2B, 6}, {0x27, 7}, {0xC, 7},  {0x8, 7},  {0x17, 7}, {0x3, 7},  {0x4, 7},
    {0x28, 7}, {0x2B, 7}, {0x13, 7}, {0x24, 7}, {0x18, 7}, {0x2, 8},  {0x3, 8},  {0x1A, 8},
    {0x1B, 8}, {0x12, 8}, {0x13, 8}, {0x14, 8}, {0x15, 8}, {0x16, 8}, {0x17, 8}, {0x28, 8},
    {0x29, 8}, {0x2A, 8}, {0x2B, 8}, {0x2C, 8}, {0x2D, 8}, {0x4, 8},  {0x5, 8},  {0xA, 8},
    {0xB, 8},  {0x52, 8}, {0x53, 8}, {0x54, 8}, {0x55, 8}, {0x24, 8}, {0x25, 8}, {0x58, 8},
    {0x59, 8}, {0x5A, 8}, {0x5B, 8}, {0x4A, 8}, {0x4B, 8}, {0x32, 8}, {0x33, 8}, {0x34, 8}};

constexpr TCode BlackTerminating[64] = {
    {0x37, 10}, {0x2, 3},   {0x3, 2},   {0x2, 2},   {0x3, 3},   {0x3, 4},   {0x2, 4},   {0x3, 5},
    {0x5, 6},   {0x4, 6},   {0x4, 7},   {0x5, 7},   {0x7, 7},   {0x4, 8},   {0x7, 8},   {0x18, 9},
    {0x17, 10}, {0x18, 10}, {0x8, 10},  {0x67, 11}, {0x68, 11}, {0x6C, 11}, {0x37, 11}, {0x28, 11},
    {0x17, 11}, {0x18, 11}, {0xCA, 12}, {0xCB, 12}, {0xCC, 12}, {0xCD, 12}, {0x68, 12}, {0x69, 12},
    {0x6A, 12}, {0x6B, 12}, {0xD2, 12}, {0xD3, 12}, {0xD4, 12}, {0xD5, 12}, {0xD6, 12}, {0xD7, 12},
    {0x6C, 12}, {0x6D, 12}, {0xDA, 12}, {0xDB, 12}, {0x54, 12}, {0x55, 12}, {0x56, 12}, {0x57, 12},
    {0x64, 12}, {0x65, 12}, {0x52, 12}, {0x53, 12}, {0x24, 12}, {0x37, 12}, {0x38, 12}, {0x27, 12},
    {0x28, 12}, {0x58, 12}, {0x59, 12}, {0x2B, 12}, {0x2C, 12}, {0x5A, 12}, {0x66, 12}, {0x67, 12}};

// Make-up codes for runs 64 x 1 to 64 x 40: 27 of each colour, then 13 shared.
constexpr TCode WhiteMakeUp[27] = {{0x1B, 5}, {0x12, 5}, {0x17, 6}, {0x37, 7}, {0x36, 8}, {0x37, 8},
                                   {0x64, 8}, {0x65, 8}, {0x68, 8}, {0x67, 8}, {0xCC, 9}, {0xCD, 9},
                                   {0xD2, 9}, {0xD3, 9}, {0xD4, 9}, {0xD5, 9}, {0xD6, 9}, {0xD7, 9},
                                   {0xD8, 9}, {0xD9, 9}, {0xDA, 9}, {0xDB, 9}, {0x98, 9}, {0x99, 9},
                                   {0x9A, 9}, {0x18, 6}, {0x9B, 9}};

constexpr TCode BlackMakeUp[27] = {
    {0xF, 10},  {0xC8, 12}, {0xC9, 12}, {0x5B, 12}, {0x33, 12}, {0x34, 12}, {0x35, 12},
    {0x6C, 13}, {0x6D, 13}, {0x4A, 13}, {0x4B, 13}, {0x4C, 13}, {0x4D, 13}, {0x72, 13},
    {0x73, 13}, {0x74, 13}, {0x75, 13}, {0x76, 13}, {0x77, 13}, {0x52, 13}, {0x53, 13},
    {0x54, 13}, {0x55, 13}, {0x5A, 13}, {0x5B, 13}, {0x64, 13}, {0x65, 13}};

constexpr TCode ExtendedMakeUp[13] = {{0x8, 11},  {0xC, 11},  {0xD, 11},  {0x12, 12}, {0x13, 12},
                                      {0x14, 12}, {0x15, 12}, {0x16, 12}, {0x17, 12}, {0x1C, 12},
                                      {0x1D, 12}, {0x1E, 12}, {0x1F, 12}};

// Fill order 2 stores the first pixel in the least significant bit.
struct TBitReversal {
    uint8_t Table[256];
    constexpr TBitReversal() : Table() {
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b))
                    r |= 0x80 >> b;
            Table[i] = uint8_t(r);
        }
    }
};
constexpr TBitReversal BitReversal;

} // namespace

TCCITTDecoder::TCCITTDecoder(uint32_t t4Options, uint32_t width, bool wordAligned, bool reverseBits)
    : FT4Options(t4Options), FWidth(width), FWordAligned(wordAligned), FReverseBits(reverseBits) {
    for (auto* tree : {&FWhiteTree, &FBlackTree}) {
        const bool black = tree == &FBlackTree;
        tree->emplace_back(); // root
        for (int32_t run = 0; run < 64; ++run) {
            const TCode c = black ? BlackTerminating[run] : WhiteTerminating[run];
            Insert(*tree, c.Code, c.Bits, run);
        }
        for (int32_t i = 0; i < 40; ++i) {
            const TCode c =
                i < 27 ? (black ? BlackMakeUp[i] : WhiteMakeUp[i]) : ExtendedMakeUp[i - 27];
            Insert(*tree, c.Code, c.Bits, 64 * (i + 1));
        }
        Insert(*tree, 0x001, 12, CodeEOL);
        Insert(*tree, 0x001, 9, CodeInvalid);
        Insert(*tree, 0x001, 10, CodeInvalid);
        Insert(*tree, 0x001, 11, CodeInvalid);
        Insert(*tree, 0x000, 12, CodeInvalid);
    }
}

void TCCITTDecoder::Insert(std::vector<TNode>& tree, uint32_t code, int bits, int32_t value) {
    int32_t node = 0;
    for (int b = bits - 1; b >= 0; --b) {
        const int bit = (code >> b) & 1;
        if (tree[size_t(node)].Child[bit] == 0) {
            tree[size_t(node)].Child[bit] = int32_t(tree.size());
            tree.emplace_back();
        }
        node = tree[size_t(node)].Child[bit];
    }
    tree[size_t(node)].Value = value;
    tree[size_t(node)].Leaf = true;
}

void TCCITTDecoder::Begin(const uint8_t* source, uint8_t* dest, int32_t packedSize,
                          int32_t unpackedSize) {
    const size_t packed = size_t(std::max(packedSize, 0));
    const size_t unpacked = size_t(std::max(unpackedSize, 0));
    FSourceStart = FSourcePos = source;
    FSourceEnd = source + packed;
    FBitsLeft = 0;
    FRowStart = dest;
    FDestEnd = dest + unpacked;
    FRowBytes = (size_t(FWidth) + 7) / 8;
    FColumn = 0;
    FBlack = false;
    if (unpacked > 0)
        std::memset(dest, 0, unpacked);
}

int TCCITTDecoder::ReadBit() {
    if (FBitsLeft == 0) {
        if (FSourcePos >= FSourceEnd)
            return -1;
        FCurrentByte = FReverseBits ? BitReversal.Table[*FSourcePos] : *FSourcePos;
        ++FSourcePos;
        FBitsLeft = 8;
    }
    --FBitsLeft;
    return (FCurrentByte >> FBitsLeft) & 1;
}

int32_t TCCITTDecoder::ReadRun(bool black) {
    const std::vector<TNode>& tree = black ? FBlackTree : FWhiteTree;
    int32_t sum = 0;
    int32_t node = 0;
    for (;;) {
        const int bit = ReadBit();
        if (bit < 0)
            return sum;
        node = tree[size_t(node)].Child[bit];
        if (node == 0)
            return CodeInvalid; // a bit sequence that is no code
        const TNode& n = tree[size_t(node)];
        if (!n.Leaf)
            continue;
        if (n.Value < 0)
            return n.Value;
        sum += n.Value;
        if (n.Value < 64)
            return sum;
        node = 0; // a make-up code: its terminating code follows
    }
}

bool TCCITTDecoder::WriteRun(int32_t count) {
    if (!RoomLeft() || count <= 0)
        return FColumn >= FWidth;
    const uint32_t end = FColumn + std::min<uint32_t>(uint32_t(count), FWidth - FColumn);
    if (FBlack) {
        uint32_t x = FColumn;
        for (; x < end && (x & 7); ++x)
            FRowStart[x >> 3] |= uint8_t(0x80 >> (x & 7));
        const uint32_t wholeEnd = end & ~7u;
        if (x < wholeEnd) {
            std::memset(FRowStart + (x >> 3), 0xFF, (wholeEnd - x) >> 3);
            x = wholeEnd;
        }
        for (; x < end; ++x)
            FRowStart[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
    FColumn = end;
    return FColumn >= FWidth;
}

bool TCCITTDecoder::EndRow() {
    if (RoomLeft())
        FRowStart += FRowBytes;
    FColumn = 0;
    FBlack = false;
    return RoomLeft();
}
