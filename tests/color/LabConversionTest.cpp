#include "color/ColorManager.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct LabCase {
    std::vector<uint8_t> lab;
    TConversionFlags flags;
    std::vector<uint8_t> rgb;
};

// Expected values: Little CMS's transicc, D50 Lab to sRGB (transicc -i '*Lab' -o '*sRGB'),
// rounded; the neutral ones also by hand (L* 50 is Y 0.1842, 119 in sRGB).
const LabCase LabCases[] = {
    {{100, 0, 0}, 0, {255, 255, 255}},
    {{255, 0, 0}, cfLightness255, {255, 255, 255}},
    {{0, 0, 0}, 0, {0, 0, 0}},
    {{0, 128, 128}, cfLightness255 | cfChromaOffset128, {0, 0, 0}},
    {{50, 0, 0}, 0, {119, 119, 119}},
    {{5, 0, 0}, 0, {17, 17, 17}},
    {{50, 40, uint8_t(-30)}, 0, {165, 91, 171}},
    {{70, uint8_t(-60), 50}, 0, {36, 197, 70}},
    {{70, 128 - 60, 128 + 50}, cfChromaOffset128, {36, 197, 70}},
    {{200, 10, uint8_t(-10)}, cfLightness255, {206, 188, 213}}, // L* 78.43
    {{60, 127, 128}, 0, {248, 0, 255}},                         // 128 read as a signed byte is -128
};

// Little CMS interpolates: its results may be one off the rounded exact value.
void ExpectWithinOne(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_LE(std::abs(int(actual[i]) - int(expected[i])), 1) << "sample " << i;
}

TEST(LabConversion, ConvertsAsLittleCmsDoes) {
    for (const LabCase& c : LabCases) {
        SCOPED_TRACE(testing::Message()
                     << int(c.lab[0]) << " " << int(c.lab[1]) << " " << int(c.lab[2]));
        TColorManager manager = MakeManager(psLab, 8, psRGB, 8, c.flags);
        ExpectWithinOne(Convert(manager, c.lab, std::vector<uint8_t>(3), 1), c.rgb);
        TColorManager bgr = MakeManager(psLab, 8, psBGRA, 8, c.flags);
        const std::vector<uint8_t> bgra = Convert(bgr, c.lab, std::vector<uint8_t>(4, 0x77), 1);
        ExpectWithinOne(bgra, {c.rgb[2], c.rgb[1], c.rgb[0], 0x77});
    }
}

TEST(LabConversion, SixteenBitTargetsWidenTheResult) {
    TColorManager narrow = MakeManager(psLab, 8, psRGB, 8);
    const std::vector<uint8_t> rgb =
        Convert(narrow, {50, 40, uint8_t(-30)}, std::vector<uint8_t>(3), 1);
    TColorManager wide = MakeManager(psLab, 8, psRGB, 16);
    EXPECT_EQ(Convert(wide, {50, 40, uint8_t(-30)}, std::vector<uint8_t>(6), 1),
              Words({uint16_t(rgb[0] * 257), uint16_t(rgb[1] * 257), uint16_t(rgb[2] * 257)}));
}

TEST(LabConversion, SixteenBitSourcesAreReadAtTheirEightBitMeaning) {
    // L 0..65535 for 0..255; a* and b* by their high byte.
    TColorManager manager =
        MakeManager(psLab, 16, psRGB, 8, cfSwapBytes | cfLightness255 | cfChromaOffset128);
    const std::vector<uint8_t> source =
        BigEndianWords({0xFFFF, 0x8000, 0x80FF, 200 * 257, 0x8A00, 0x7600});
    ExpectWithinOne(Convert(manager, source, std::vector<uint8_t>(6), 2),
                    {255, 255, 255, 206, 188, 213});
    TColorManager signedChroma = MakeManager(psLab, 16, psRGB, 8);
    ExpectWithinOne(Convert(signedChroma, Words({50 * 257, uint16_t(40 << 8), uint16_t(-30 * 256)}),
                            std::vector<uint8_t>(3), 1),
                    {165, 91, 171});
}

TEST(LabConversion, PlanarSourcesAndTheMask) {
    TColorManager manager = MakeManager(psLab, 8, psRGB, 8);
    const uint8_t l[] = {100, 0}, a[] = {0, 0}, b[] = {0, 0};
    const void* const planes[] = {l, a, b};
    std::vector<uint8_t> target(9, 0x77);
    manager.ConvertPixels(planes, target.data(), 3, 0xA0);
    ExpectWithinOne(target, {255, 255, 255, 0x77, 0x77, 0x77, 0, 0, 0});
    EXPECT_EQ(target[3], 0x77); // the pixel outside the mask is left as it was
}

} // namespace
