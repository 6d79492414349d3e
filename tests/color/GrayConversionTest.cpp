#include "color/ColorManager.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct GrayCase {
    const char* name;
    TPixelScheme source;
    uint32_t sourceBits, targetBits;
    TConversionFlags flags;
    std::vector<uint8_t> samples;
    uint8_t mask;
    std::vector<uint8_t> expected; // target starts filled with 0x77
};

const GrayCase GrayCases[] = {
    {"8 to 8", psGray, 8, 8, 0, {0, 5, 255}, 0xFF, {0, 5, 255}},
    {"8 to 8 masked", psGray, 8, 8, 0, {1, 2}, 0x50, {0x77, 1, 0x77, 2}},
    {"gray alpha 8 skips alpha", psGrayAlpha, 8, 8, 0, {1, 9, 2, 9}, 0xFF, {1, 2}},
    {"8 to 16", psGray, 8, 16, cfSwapBytes, {0x12, 255}, 0xFF, Words({0x1212, 0xFFFF})},
    {"16 swapped to 8",
     psGray,
     16,
     8,
     cfSwapBytes,
     BigEndianWords({0x1234, 0xFFFF}),
     0xFF,
     {0x12, 255}},
    {"16 host to 8", psGrayAlpha, 16, 8, 0, Words({0x0101, 0xFFFF, 0x0100, 0xFFFF}), 0xFF, {1, 0}},
    {"16 to 16 swapped", psGray, 16, 16, cfSwapBytes, Words({0x1234}), 0xFF, Words({0x3412})},
    {"16 to 16 as is", psGray, 16, 16, 0, Words({0x1234, 0x5678}), 0xFF, Words({0x1234, 0x5678})},
    {"16 to 16 masked", psGray, 16, 16, 0, Words({0x1234}), 0x40, Words({0x7777, 0x1234})},
    {"gray alpha 16 to 16", psGrayAlpha, 16, 16, cfSwapBytes, Words({0x1234, 0xAAAA}), 0xFF,
     Words({0x3412})},
};

class GrayConversion : public testing::TestWithParam<GrayCase> {};

TEST_P(GrayConversion, ConvertsAsComputedByHand) {
    const GrayCase& c = GetParam();
    TColorManager manager = MakeManager(c.source, c.sourceBits, psGray, c.targetBits, c.flags);
    const uint32_t count = uint32_t(c.expected.size() / (c.targetBits / 8));
    EXPECT_EQ(
        Convert(manager, c.samples, std::vector<uint8_t>(c.expected.size(), 0x77), count, c.mask),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, GrayConversion, testing::ValuesIn(GrayCases), CaseName<GrayCase>);

TEST(GrayConversionRows, EveryEightBitValueSurvivesSixteenBitsAndBack) {
    std::vector<uint8_t> source(256);
    for (int v = 0; v < 256; ++v)
        source[v] = uint8_t(v);
    for (TConversionFlags swap : {TConversionFlags(0), cfSwapBytes}) {
        TColorManager widen = MakeManager(psGray, 8, psGray, 16, swap);
        const std::vector<uint8_t> wide = Convert(widen, source, std::vector<uint8_t>(512), 256);
        TColorManager narrow = MakeManager(psGray, 16, psGray, 8);
        EXPECT_EQ(Convert(narrow, wide, std::vector<uint8_t>(256), 256), source);
    }
}

} // namespace
