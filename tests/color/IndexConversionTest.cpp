#include "color/ColorManager.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct IndexCase {
    const char* name;
    TPixelScheme scheme;
    uint32_t sourceBits, targetBits;
    TConversionFlags flags;
    std::vector<uint8_t> source;
    uint32_t count;
    uint8_t mask;
    std::vector<uint8_t> target, expected;
};

const IndexCase IndexCases[] = {
    {"4 bit under mask AA",
     psIndexed,
     4,
     4,
     0,
     {0xAB, 0xCD},
     8,
     0xAA,
     {0x12, 0x34, 0x56, 0x78},
     {0xA2, 0xB4, 0xC6, 0xD8}},
    {"1 bit gray to 8", psGray, 1, 8, 0, {0b10100000}, 3, 0xFF, {9, 9, 9, 9}, {255, 0, 255, 9}},
    {"8 to 1 keeps the bits past the row",
     psIndexed,
     8,
     1,
     0,
     {0, 254, 255, 255, 0, 0, 0, 0, 255},
     9,
     0xFF,
     {0xFF, 0x7F},
     {0x30, 0xFF}},
    {"2 to 4", psIndexed, 2, 4, 0, {0x1B}, 4, 0xFF, {0, 0}, {0x05, 0xAF}},
    {"4 to 4 full rows are copied",
     psIndexed,
     4,
     4,
     0,
     {0x12, 0x34},
     3,
     0xFF,
     {0, 0, 0x99},
     {0x12, 0x34, 0x99}},
    {"4 to 4 masked", psIndexed, 4, 4, 0, {0xF0}, 2, 0x40, {0x00}, {0x0F}},
    {"8 to 8 masked reads only selected pixels",
     psIndexed,
     8,
     8,
     0,
     {7, 8},
     4,
     0x30,
     {1, 2, 3, 4},
     {1, 2, 7, 8}},
    // Fields 5, 6, 7, 0: the third continues in the second byte, which ends the row.
    {"3 bit fields run on across bytes",
     psIndexed,
     3,
     8,
     0,
     {0xBB, 0x80},
     4,
     0xFF,
     {0, 0, 0, 0},
     {182, 218, 255, 0}},
    {"3 to 3 full rows copy their bytes only",
     psIndexed,
     3,
     3,
     0,
     {0xBB, 0x80},
     5,
     0xFF,
     {0, 0, 0x99},
     {0xBB, 0x80, 0x99}},
    {"8 to 3", psIndexed, 8, 3, 0, {255, 146, 0}, 3, 0xFF, {0, 0}, {0xF0, 0x00}},
    {"16 swapped to 8",
     psIndexed,
     16,
     8,
     cfSwapBytes,
     BigEndianWords({0xFFFF, 0x1234}),
     2,
     0xFF,
     {0, 0},
     {255, 0x12}},
    {"16 to 4",
     psIndexed,
     16,
     4,
     0,
     Words({0xFFFF, 0x8000, 0x1111}),
     3,
     0xFF,
     {0, 0x0F},
     {0xF7, 0x1F}},
    {"16 to 1 masked", psIndexed, 16, 1, 0, Words({0xFFFF}), 8, 0x01, {0x00}, {0x01}},
    {"3 bits to 16 swapped",
     psIndexed,
     3,
     16,
     cfSwapBytes,
     {0b00111100},
     2,
     0xFF,
     Words({0, 0}),
     Words({0x9224, 0xFFFF})},
    {"1 bit to 16 masked", psIndexed, 1, 16, 0, {0x80}, 2, 0x40, Words({7, 7}), Words({7, 0xFFFF})},
    {"16 to 16 swapped", psIndexed, 16, 16, cfSwapBytes, Words({0x1234}), 1, 0xFF, Words({0}),
     Words({0x3412})},
    {"16 to 16 copied", psIndexed, 16, 16, 0, Words({0x1234, 0x5678}), 2, 0xFF, Words({0, 0}),
     Words({0x1234, 0x5678})},
    {"16 to 16 masked", psIndexed, 16, 16, 0, Words({0x1234}), 2, 0x40, Words({7, 7}),
     Words({7, 0x1234})},
    {"gray 8 to indexed 4", psGray, 8, 4, 0, {255, 17, 16}, 3, 0xFF, {0, 0}, {0xF1, 0x00}},
    {"depth 12 writes nothing", psIndexed, 12, 8, 0, {1, 2}, 2, 0xFF, {9, 9}, {9, 9}},
};

class IndexConversion : public testing::TestWithParam<IndexCase> {};

TEST_P(IndexConversion, ConvertsAsComputedByHand) {
    const IndexCase& c = GetParam();
    TColorManager manager = MakeManager(
        c.scheme, c.sourceBits, c.scheme == psGray ? psGray : psIndexed, c.targetBits, c.flags);
    EXPECT_EQ(Convert(manager, c.source, c.target, c.count, c.mask), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IndexConversion, testing::ValuesIn(IndexCases),
                         CaseName<IndexCase>);

TEST(IndexConversionRows, EveryEightBitIndexSurvivesSixteenBitsAndBack) {
    std::vector<uint8_t> source(256);
    for (int v = 0; v < 256; ++v)
        source[v] = uint8_t(v);
    for (TConversionFlags swap : {TConversionFlags(0), cfSwapBytes}) {
        TColorManager widen = MakeManager(psIndexed, 8, psIndexed, 16, swap);
        const std::vector<uint8_t> wide = Convert(widen, source, std::vector<uint8_t>(512), 256);
        TColorManager narrow = MakeManager(psIndexed, 16, psIndexed, 8, swap);
        EXPECT_EQ(Convert(narrow, wide, std::vector<uint8_t>(256), 256), source);
    }
}

TEST(IndexConversionRows, InterlacedPassesFillAFullRow) {
    // Seven-pass style: every eighth pixel, then the ones between, at 2 bits a pixel.
    TColorManager manager = MakeManager(psIndexed, 2, psIndexed, 2);
    std::vector<uint8_t> row(4, 0);
    manager.ConvertPixels(std::vector<uint8_t>{0b11110000}.data(), row.data(), 16, 0x80);
    manager.ConvertPixels(std::vector<uint8_t>{0b01010000}.data(), row.data(), 16, 0x08);
    manager.ConvertPixels(std::vector<uint8_t>{0b10101010}.data(), row.data(), 16, 0x22);
    EXPECT_EQ(row, (std::vector<uint8_t>{0b11001000, 0b01001000, 0b11001000, 0b01001000}));
}

} // namespace
