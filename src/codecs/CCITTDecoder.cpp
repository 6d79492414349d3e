#include "codecs/CCITTDecoder.h"

#include "codecs/BitReversal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

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

// Runs are looked up by the next 13 bits, the longest code. An entry holds the code's value
// and length; a bit sequence that is no code holds CodeInvalid and the bits up to and
// including the first one that leaves every code, as a bit-by-bit walk would take them.
constexpr int LookupBits = 13;

struct TLookupEntry {
    int16_t Value = 0;
    uint8_t Bits = 0;
};

using TLookupTable = std::array<TLookupEntry, 1 << LookupBits>;

struct TCodeTree {
    struct TNode {
        int32_t Child[2] = {0, 0};
        int32_t Value = 0;
        bool Leaf = false;
    };
    std::vector<TNode> Nodes{1};

    void Insert(uint32_t code, int bits, int32_t value) {
        int32_t node = 0;
        for (int b = bits - 1; b >= 0; --b) {
            const int bit = (code >> b) & 1;
            if (Nodes[size_t(node)].Child[bit] == 0) {
                Nodes[size_t(node)].Child[bit] = int32_t(Nodes.size());
                Nodes.emplace_back();
            }
            node = Nodes[size_t(node)].Child[bit];
        }
        Nodes[size_t(node)].Value = value;
        Nodes[size_t(node)].Leaf = true;
    }

    TLookupEntry Walk(uint32_t window, int32_t invalid) const {
        int32_t node = 0;
        for (int k = 1; k <= LookupBits; ++k) {
            node = Nodes[size_t(node)].Child[(window >> (LookupBits - k)) & 1];
            if (node == 0)
                return {int16_t(invalid), uint8_t(k)};
            if (Nodes[size_t(node)].Leaf)
                return {int16_t(Nodes[size_t(node)].Value), uint8_t(k)};
        }
        return {int16_t(invalid), uint8_t(LookupBits)};
    }
};

// The white and black tables, built once from the code trees of ITU-T T.4.
const TLookupTable& RunTable(bool black) {
    constexpr int32_t eol = TCCITTDecoder::CodeEOL;
    constexpr int32_t invalid = TCCITTDecoder::CodeInvalid;
    static const std::array<TLookupTable, 2> tables = [] {
        std::array<TLookupTable, 2> built;
        for (const bool treeBlack : {false, true}) {
            TCodeTree tree;
            for (int32_t run = 0; run < 64; ++run) {
                const TCode c = treeBlack ? BlackTerminating[run] : WhiteTerminating[run];
                tree.Insert(c.Code, c.Bits, run);
            }
            for (int32_t i = 0; i < 40; ++i) {
                const TCode c =
                    i < 27 ? (treeBlack ? BlackMakeUp[i] : WhiteMakeUp[i]) : ExtendedMakeUp[i - 27];
                tree.Insert(c.Code, c.Bits, 64 * (i + 1));
            }
            tree.Insert(0x001, 12, eol);
            tree.Insert(0x001, 9, invalid);
            tree.Insert(0x001, 10, invalid);
            tree.Insert(0x001, 11, invalid);
            tree.Insert(0x000, 12, invalid);
            for (uint32_t window = 0; window < built[treeBlack].size(); ++window)
                built[treeBlack][window] = tree.Walk(window, invalid);
        }
        return built;
    }();
    return tables[black];
}

} // namespace

TCCITTDecoder::TCCITTDecoder(uint32_t t4Options, uint32_t width, bool wordAligned, bool reverseBits)
    : FT4Options(t4Options), FWidth(width), FWordAligned(wordAligned), FReverseBits(reverseBits) {
    RunTable(false);
}

void TCCITTDecoder::Begin(const uint8_t* source, uint8_t* dest, int32_t packedSize,
                          int32_t unpackedSize) {
    const size_t packed = size_t(std::max(packedSize, 0));
    const size_t unpacked = size_t(std::max(unpackedSize, 0));
    FSource = source;
    if (FReverseBits) {
        FReversed.resize(packed);
        for (size_t i = 0; i < packed; ++i)
            FReversed[i] = BitReversal[source[i]];
        FSource = FReversed.data();
    }
    FBitPos = 0;
    FBitEnd = uint64_t(packed) * 8;
    FRowStart = dest;
    FDestEnd = dest + unpacked;
    FRowBytes = (size_t(FWidth) + 7) / 8;
    FColumn = 0;
    FBlack = false;
    if (unpacked > 0)
        std::memset(dest, 0, unpacked);
}

uint32_t TCCITTDecoder::PeekBits() const {
    const uint64_t byte = FBitPos >> 3;
    uint32_t window;
    if (byte + 4 <= (FBitEnd >> 3)) {
        std::memcpy(&window, FSource + byte, 4);
        window = __builtin_bswap32(window);
    } else {
        window = uint32_t(SourceByte(byte)) << 24 | uint32_t(SourceByte(byte + 1)) << 16 |
                 uint32_t(SourceByte(byte + 2)) << 8 | SourceByte(byte + 3);
    }
    return window << (FBitPos & 7);
}

int32_t TCCITTDecoder::ReadRun(bool black) {
    const TLookupTable& table = RunTable(black);
    // No run is longer than a row, however many make-up codes a file strings together.
    const int32_t ceiling = int32_t(std::min<uint32_t>(FWidth, uint32_t(1) << 30));
    int32_t sum = 0;
    while (FBitPos < FBitEnd) {
        const TLookupEntry entry = table[PeekBits() >> (32 - LookupBits)];
        // A code cut off by the end of the data yields what was summed before it.
        if (entry.Bits > FBitEnd - FBitPos)
            break;
        FBitPos += entry.Bits;
        if (entry.Value < 0)
            return entry.Value;
        sum = std::min(sum + entry.Value, ceiling);
        if (entry.Value < 64)
            return sum;
    }
    FBitPos = FBitEnd;
    return sum;
}

bool TCCITTDecoder::WriteRun(int32_t count) {
    if (!RoomLeft() || count <= 0)
        return FColumn >= FWidth;
    const uint32_t end = FColumn + std::min<uint32_t>(uint32_t(count), FWidth - FColumn);
    if (FBlack && end > FColumn) {
        // Pixels FColumn .. end - 1: a partial first byte, whole bytes, a partial last byte.
        const uint32_t first = FColumn >> 3;
        const uint32_t last = (end - 1) >> 3;
        const uint8_t head = uint8_t(0xFF >> (FColumn & 7));
        const uint8_t tail = uint8_t(0xFF << (7 - ((end - 1) & 7)));
        if (first == last) {
            FRowStart[first] |= head & tail;
        } else {
            FRowStart[first] |= head;
            std::memset(FRowStart + first + 1, 0xFF, last - first - 1);
            FRowStart[last] |= tail;
        }
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
