#include "color/ColorManager.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct LabCase {
    std::vector<uint8_t> lab;
    TConversionFlags flags;
    std::vector<uint8_t> rgb;
};

// Expected values worked out with the CIE formulas in a desk calculator.
const LabCase LabCases[] = {
    {{100, 0, 0}, 0, {255, 255, 255}}, // red is 254.745 before rounding
    {{255, 0, 0}, cfLightness255, {255, 255, 255}},
    {{0, 0, 0}, 0, {0, 0, 0}},
    {{0, 128, 128}, cfLightness255 | cfChromaOffset128, {0, 0, 0}},
    {{50, 0, 0}, 0, {47, 47, 47}},
    {{5, 0, 0}, 0, {1, 1, 1}}, // the linear branch below L* 7.9996
    {{50, 40, uint8_t(-30)}, 0, {89, 28, 102}},
    {{70, uint8_t(-60), 50}, 0, {16, 140, 19}},
    {{70, 128 - 60, 128 + 50}, cfChromaOffset128, {16, 140, 19}},
    {{200, 10, uint8_t(-10)}, cfLightness255, {154, 129, 168}},
    {{60, 127, 128}, 0, {170, 0, 255}}, // 128 read as a signed byte is -128
};

TEST(LabConversion, ConvertsAsComputedByHand) {
    for (const LabCase& c : LabCases) {
        TColorManager manager = MakeManager(psLab, 8, psRGB, 8, c.flags);
        EXPECT_EQ(Convert(manager, c.lab, std::vector<uint8_t>(3), 1), c.rgb)
            << int(c.lab[0]) << " " << int(c.lab[1]) << " " << int(c.lab[2]);
        TColorManager bgr = MakeManager(psLab, 8, psBGRA, 8, c.flags);
        EXPECT_EQ(Convert(bgr, c.lab, std::vector<uint8_t>(4, 0x77), 1),
                  (std::vector<uint8_t>{c.rgb[2], c.rgb[1], c.rgb[0], 0x77}));
    }
}

TEST(LabConversion, SixteenBitTargetsWidenTheResult) {
    TColorManager manager = MakeManager(psLab, 8, psRGB, 16);
    EXPECT_EQ(Convert(manager, {50, 0, 0}, std::vector<uint8_t>(6), 1),
              Words({47 * 257, 47 * 257, 47 * 257}));
}

TEST(LabConversion, SixteenBitSourcesAreReadAtTheirEightBitMeaning) {
    // L 0..65535 for 0..255; a* and b* by their high byte.
    TColorManager manager =
        MakeManager(psLab, 16, psRGB, 8, cfSwapBytes | cfLightness255 | cfChromaOffset128);
    const std::vector<uint8_t> source =
        BigEndianWords({0xFFFF, 0x8000, 0x80FF, 200 * 257, 0x8A00, 0x7600});
    EXPECT_EQ(Convert(manager, source, std::vector<uint8_t>(6), 2),
              (std::vector<uint8_t>{255, 255, 255, 154, 129, 168}));
    TColorManager signedChroma = MakeManager(psLab, 16, psRGB, 16);
    EXPECT_EQ(Convert(signedChroma, Words({50 * 257, uint16_t(40 << 8), uint16_t(-30 * 256)}),
                      std::vector<uint8_t>(6), 1),
              Words({89 * 257, 28 * 257, 102 * 257}));
}

TEST(LabConversion, PlanarSourcesAndTheMask) {
    TColorManager manager = MakeManager(psLab, 8, psRGB, 8);
    const uint8_t l[] = {100, 0}, a[] = {0, 0}, b[] = {0, 0};
    const void* const planes[] = {l, a, b};
    std::vector<uint8_t> target(9, 0x77);
    manager.ConvertPixels(planes, target.data(), 3, 0xA0);
    EXPECT_EQ(target, (std::vector<uint8_t>{255, 255, 255, 0x77, 0x77, 0x77, 0, 0, 0}));
}

} // namespace
