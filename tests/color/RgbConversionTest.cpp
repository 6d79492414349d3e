#include "color/ColorManager.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

uint8_t ReferenceGamma(int v) {
    return uint8_t(std::nearbyint(std::pow(v / 255.0, 1 / 2.2) * 255.0));
}

struct RgbCase {
    const char* name;
    TPixelScheme sourceScheme;
    uint32_t sourceBits;
    TConversionFlags sourceFlags;
    TPixelScheme targetScheme;
    uint32_t targetBits;
    TConversionFlags targetFlags;
    std::vector<uint8_t> source;
    uint32_t count;
    std::vector<uint8_t> expected; // the target starts filled with 0x77
};

const uint8_t G64 = ReferenceGamma(64);
const uint8_t G200 = ReferenceGamma(200);

const RgbCase RgbCases[] = {
    {"red to BGR", psRGB, 8, 0, psBGR, 8, 0, {255, 0, 0}, 1, {0, 0, 255}},
    {"RGB keeps order", psRGB, 8, 0, psRGB, 8, 0, {1, 2, 3, 4, 5, 6}, 2, {1, 2, 3, 4, 5, 6}},
    {"BGR to RGB", psBGR, 8, 0, psRGBA, 8, 0, {1, 2, 3}, 1, {3, 2, 1, 0x77}},
    {"BGRA to BGR skips alpha",
     psBGRA,
     8,
     0,
     psBGR,
     8,
     0,
     {1, 2, 3, 4, 5, 6, 7, 8},
     2,
     {1, 2, 3, 5, 6, 7}},
    {"RGBA to BGRA carries alpha", psRGBA, 8, 0, psBGRA, 8, 0, {1, 2, 3, 4}, 1, {3, 2, 1, 4}},
    {"RGB to BGRA leaves alpha",
     psRGB,
     8,
     0,
     psBGRA,
     8,
     0,
     {1, 2, 3, 4, 5, 6},
     2,
     {3, 2, 1, 0x77, 6, 5, 4, 0x77}},
    {"gamma on colour, not alpha",
     psRGBA,
     8,
     0,
     psBGRA,
     8,
     cfGamma,
     {64, 0, 200, 64},
     1,
     {G200, 0, G64, 64}},
    {"16 swapped to 8",
     psRGB,
     16,
     cfSwapBytes,
     psBGR,
     8,
     0,
     BigEndianWords({0x1234, 0xFFFF, 0x0101}),
     1,
     {1, 255, 0x12}},
    {"16 host order to 8",
     psRGB,
     16,
     0,
     psRGB,
     8,
     0,
     Words({0x1234, 0x0100, 0x0101}),
     1,
     {0x12, 0, 1}},
    {"16 to 8 then gamma",
     psRGB,
     16,
     cfSwapBytes,
     psRGB,
     8,
     cfGamma,
     BigEndianWords({0x4040, 0xC8C8, 0}),
     1,
     {G64, G200, 0}},
    {"16 alpha scaled, never gamma",
     psRGBA,
     16,
     cfSwapBytes,
     psBGRA,
     8,
     cfGamma,
     BigEndianWords({0, 0, 0, 0x4041}),
     1,
     {0, 0, 0, 64}},
    {"8 to 16", psRGB, 8, 0, psBGR, 16, 0, {0x12, 0, 255}, 1, Words({0xFFFF, 0, 0x1212})},
    {"8 gamma then 16",
     psRGB,
     8,
     cfSwapBytes,
     psRGB,
     16,
     cfGamma,
     {64, 200, 255},
     1,
     Words({uint16_t(G64 * 257), uint16_t(G200 * 257), 0xFFFF})},
    {"8 alpha to 16",
     psRGBA,
     8,
     0,
     psRGBA,
     16,
     cfGamma,
     {0, 0, 0, 64},
     1,
     Words({0, 0, 0, 64 * 257})},
    {"16 to 16 swapped, no gamma", psRGB, 16, cfSwapBytes, psBGR, 16, cfGamma,
     Words({0x1234, 0x5678, 0x9ABC}), 1, Words({0xBC9A, 0x7856, 0x3412})},
    {"16 to 16 as is", psBGRA, 16, 0, psBGRA, 16, cfGamma, Words({1, 2, 3, 4}), 1,
     Words({1, 2, 3, 4})},
    {"16 to 16 alpha swapped", psRGBA, 16, cfSwapBytes, psRGBA, 16, 0, Words({0, 0, 0, 0x1234}), 1,
     Words({0, 0, 0, 0x3412})},
};

class RgbConversion : public testing::TestWithParam<RgbCase> {};

TEST_P(RgbConversion, ConvertsAsComputedByHand) {
    const RgbCase& c = GetParam();
    TColorManager manager = MakeManager(c.sourceScheme, c.sourceBits, c.targetScheme, c.targetBits,
                                        c.sourceFlags, c.targetFlags);
    EXPECT_EQ(Convert(manager, c.source, std::vector<uint8_t>(c.expected.size(), 0x77), c.count),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RgbConversion, testing::ValuesIn(RgbCases), CaseName<RgbCase>);

TEST(RgbConversionRows, PlanarSourcesTakeOneArrayPerSample) {
    TColorManager manager = MakeManager(psRGBA, 8, psBGRA, 8);
    const uint8_t red[] = {1, 2}, green[] = {3, 4}, blue[] = {5, 6}, alpha[] = {7, 8};
    const void* const four[] = {red, green, blue, alpha};
    std::vector<uint8_t> target(8, 0x77);
    manager.ConvertPixels(four, target.data(), 2);
    EXPECT_EQ(target, (std::vector<uint8_t>{5, 3, 1, 7, 6, 4, 2, 8}));
    // Without an alpha plane the target alpha stays as it was.
    const void* const three[] = {red, green, blue};
    std::vector<uint8_t> noAlpha(8, 0x77);
    manager.ConvertPixels(three, noAlpha.data(), 2);
    EXPECT_EQ(noAlpha, (std::vector<uint8_t>{5, 3, 1, 0x77, 6, 4, 2, 0x77}));
}

TEST(RgbConversionRows, MaskSelectsPixelsAndLeavesTheOthers) {
    TColorManager manager = MakeManager(psRGB, 8, psBGR, 8);
    const std::vector<uint8_t> source{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::vector<uint8_t> expected(16 * 3, 0x77);
    for (int k = 0; k < 4; ++k) { // pixels 0, 4, 8 and 12 take the four source pixels
        expected[k * 12 + 0] = uint8_t(k * 3 + 3);
        expected[k * 12 + 1] = uint8_t(k * 3 + 2);
        expected[k * 12 + 2] = uint8_t(k * 3 + 1);
    }
    EXPECT_EQ(Convert(manager, source, std::vector<uint8_t>(16 * 3, 0x77), 16, 0x88), expected);
}

// The fast paths (block copies and byte shuffles) against the plain definition, for every
// length around their block sizes and in place.
TEST(RgbConversionRows, FullRowsOfEveryLengthMatchThePixelDefinition) {
    for (TPixelScheme scheme : {psBGR, psBGRA}) {
        const int bytes = scheme == psBGR ? 3 : 4;
        for (TPixelScheme target : {psBGR, psRGB}) {
            const bool exchange = target == psRGB;
            const TPixelScheme targetScheme = bytes == 4 ? (exchange ? psRGBA : psBGRA) : target;
            for (uint32_t count = 0; count <= 70; ++count) {
                std::vector<uint8_t> source(count * bytes);
                std::iota(source.begin(), source.end(), uint8_t(count));
                std::vector<uint8_t> expected = source;
                if (exchange)
                    for (uint32_t i = 0; i < count; ++i)
                        std::swap(expected[i * bytes], expected[i * bytes + 2]);
                expected.push_back(0x77);
                TColorManager manager = MakeManager(scheme, 8, targetScheme, 8);
                std::vector<uint8_t> out(count * bytes + 1, 0x77);
                manager.ConvertPixels(source.data(), out.data(), count);
                ASSERT_EQ(out, expected) << count << " pixels of " << bytes;
                std::vector<uint8_t> inPlace = source;
                inPlace.push_back(0x77);
                manager.ConvertPixels(inPlace.data(), inPlace.data(), count);
                ASSERT_EQ(inPlace, expected) << count << " pixels in place";
            }
        }
    }
}

TEST(RgbConversionRows, EveryEightBitValueSurvivesSixteenBitsAndBack) {
    std::vector<uint8_t> source(256 * 3);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = uint8_t(i / 3);
    for (TConversionFlags swap : {TConversionFlags(0), cfSwapBytes}) {
        TColorManager widen = MakeManager(psRGB, 8, psRGB, 16, swap);
        const std::vector<uint8_t> wide =
            Convert(widen, source, std::vector<uint8_t>(256 * 6), 256);
        TColorManager narrow = MakeManager(psRGB, 16, psRGB, 8, swap);
        EXPECT_EQ(Convert(narrow, wide, std::vector<uint8_t>(256 * 3), 256), source);
    }
}

} // namespace
