#include "color/ColorManager.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(CmykConversion, WhiteBlackAndCyanAsComputedByHand) {
    TColorManager manager = MakeManager(psCMYK, 8, psBGR, 8);
    const std::vector<uint8_t> source{0, 0, 0, 0, 10, 200, 30, 255, 255, 0, 0, 0};
    // Cyan: red 0, green 255, blue 255, written blue first.
    EXPECT_EQ(Convert(manager, source, std::vector<uint8_t>(9), 3),
              (std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 255, 255, 0}));
    TColorManager rgb = MakeManager(psCMYK, 8, psRGBA, 8);
    EXPECT_EQ(Convert(rgb, source, std::vector<uint8_t>(12, 0x77), 3),
              (std::vector<uint8_t>{255, 255, 255, 0x77, 0, 0, 0, 0x77, 0, 255, 255, 0x77}));
}

TEST(CmykConversion, EveryInkAndBlackPairAtEightBits) {
    std::vector<uint8_t> source;
    for (int x = 0; x < 256; ++x)
        for (int k = 0; k < 256; ++k)
            source.insert(source.end(), {uint8_t(x), uint8_t(255 - x), uint8_t(x / 2), uint8_t(k)});
    TColorManager manager = MakeManager(psCMYK, 8, psRGB, 8);
    const std::vector<uint8_t> out =
        Convert(manager, source, std::vector<uint8_t>(65536 * 3), 65536);
    for (size_t i = 0; i < 65536; ++i) {
        const int k = source[i * 4 + 3];
        for (int c = 0; c < 3; ++c) {
            const int ink = source[i * 4 + c];
            ASSERT_EQ(out[i * 3 + c], (255 - ink) * (255 - k) / 255) << ink << " " << k;
        }
    }
}

TEST(CmykConversion, SixteenBitDepthPairs) {
    struct Case {
        uint32_t sourceBits, targetBits;
        std::vector<uint8_t> source, expected;
    };
    const Case cases[] = {
        // 8 to 16: the 8-bit result widened.
        {8, 16, {0, 255, 128, 0}, Words({0xFFFF, 0, 127 * 257})},
        // 16 to 8: white, black, and 255 - (x + k - x*k/65535) * 255 / 65535.
        {16, 8, Words({0, 0xFFFF, 0x8000, 0}), {255, 0, 128}},
        {16, 8, Words({0x1000, 0x2000, 0x3000, 0x8000}), {120, 112, 104}},
        // 16 to 16: 65535 - x - k + x*k/65535.
        {16, 16, Words({0, 0xFFFF, 0x8000, 0}), Words({0xFFFF, 0, 0x7FFF})},
        {16, 16, Words({0x1000, 0x2000, 0x3000, 0x8000}), Words({30719, 28671, 26623})},
    };
    for (const Case& c : cases) {
        TColorManager manager = MakeManager(psCMYK, c.sourceBits, psRGB, c.targetBits);
        EXPECT_EQ(Convert(manager, c.source, std::vector<uint8_t>(c.expected.size()), 1),
                  c.expected)
            << c.sourceBits << " -> " << c.targetBits;
    }
}

TEST(CmykConversion, HighByteFirstSixteenBitSamplesAreReadAsSuch) {
    TColorManager manager = MakeManager(psCMYK, 16, psRGB, 8, cfSwapBytes);
    const std::vector<uint8_t> source = BigEndianWords({0x1000, 0x2000, 0x3000, 0x8000});
    EXPECT_EQ(Convert(manager, source, std::vector<uint8_t>(3), 1),
              (std::vector<uint8_t>{120, 112, 104}));
}

TEST(CmykConversion, FourPlanesAndTheMask) {
    TColorManager manager = MakeManager(psCMYK, 8, psBGR, 8);
    const uint8_t c[] = {255, 0}, m[] = {0, 0}, y[] = {0, 0}, k[] = {0, 255};
    const void* const planes[] = {c, m, y, k};
    std::vector<uint8_t> target(12, 0x77);
    manager.ConvertPixels(planes, target.data(), 4, 0x50);
    EXPECT_EQ(target,
              (std::vector<uint8_t>{0x77, 0x77, 0x77, 255, 255, 0, 0x77, 0x77, 0x77, 0, 0, 0}));
}

} // namespace
