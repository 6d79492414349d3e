#include "color/ColorManager.h"
#include "platform/Exceptions.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TPaletteEntry Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {r, g, b, 0};
}

TColorManager IndexedManager(uint32_t sourceBits, uint32_t targetBits,
                             TConversionFlags sourceFlags = 0, TConversionFlags targetFlags = 0) {
    return MakeManager(psIndexed, sourceBits, psIndexed, targetBits, sourceFlags, targetFlags);
}

TEST(ColorPalette, InterleavedEightBitLayoutsInBothOrders) {
    const TColorManager manager = IndexedManager(8, 8);
    const std::vector<uint8_t> triples{10, 20, 30, 40, 50, 60};
    const std::vector<uint8_t> quads{10, 20, 30, 99, 40, 50, 60, 99};
    EXPECT_EQ(manager.MakeColorPalette(triples.data(), plTriple8, 2, false),
              (TLogPalette{Rgb(10, 20, 30), Rgb(40, 50, 60)}));
    EXPECT_EQ(manager.MakeColorPalette(triples.data(), plTriple8, 2, true),
              (TLogPalette{Rgb(30, 20, 10), Rgb(60, 50, 40)}));
    EXPECT_EQ(manager.MakeColorPalette(quads.data(), plQuad8, 2, true),
              (TLogPalette{Rgb(30, 20, 10), Rgb(60, 50, 40)}));
}

TEST(ColorPalette, PlanarLayoutsTakeRedGreenBlueArrays) {
    const TColorManager manager = IndexedManager(8, 8);
    const uint8_t red[] = {1, 2}, green[] = {3, 4}, blue[] = {5, 6};
    const void* const planes[] = {red, green, blue};
    for (TPaletteLayout layout : {plPlanar8, plPlanarQuad8})
        EXPECT_EQ(manager.MakeColorPalette(planes, layout, 2, false),
                  (TLogPalette{Rgb(1, 3, 5), Rgb(2, 4, 6)}));
    const void* const tooFew[] = {red, green};
    EXPECT_THROW(manager.MakeColorPalette(tooFew, plPlanar8, 2, false), EColorConversionError);
}

TEST(ColorPalette, SixteenBitLayoutsScaleAndHonourTheByteOrder) {
    const std::vector<uint8_t> hostTriples = Words({0xFFFF, 0x1234, 0x0101, 0, 0x8080, 0x0100});
    const std::vector<uint8_t> bigTriples =
        BigEndianWords({0xFFFF, 0x1234, 0x0101, 0, 0x8080, 0x0100});
    const std::vector<uint8_t> bigQuads =
        BigEndianWords({0xFFFF, 0x1234, 0x0101, 7, 0, 0x8080, 0x0100, 7});
    const TLogPalette expected{Rgb(255, 0x12, 1), Rgb(0, 128, 0)};
    EXPECT_EQ(IndexedManager(8, 8).MakeColorPalette(hostTriples.data(), plTriple16, 2, false),
              expected);
    const TColorManager swapped = IndexedManager(8, 8, cfSwapBytes);
    EXPECT_EQ(swapped.MakeColorPalette(bigTriples.data(), plTriple16, 2, false), expected);
    EXPECT_EQ(swapped.MakeColorPalette(bigQuads.data(), plQuad16, 2, false), expected);
    EXPECT_EQ(swapped.MakeColorPalette(bigQuads.data() + 1, plQuad16, 0, false), TLogPalette{});

    const std::vector<uint8_t> red = BigEndianWords({0xFFFF, 0}),
                               green = BigEndianWords({0x1234, 0x8080}),
                               blue = BigEndianWords({0x0101, 0x0100});
    const void* const planes[] = {red.data(), green.data(), blue.data()};
    EXPECT_EQ(swapped.MakeColorPalette(planes, plPlanar16, 2, false), expected);
    EXPECT_EQ(swapped.MakeColorPalette(planes, plPlanarQuad16, 2, false), expected);
}

TEST(ColorPalette, GammaAppliesToEveryComponent) {
    TColorManager manager = IndexedManager(8, 8, cfSwapBytes, cfGamma);
    const std::vector<uint8_t> triples{0, 64, 255};
    const auto gamma = manager.GammaTable();
    EXPECT_EQ(manager.MakeColorPalette(triples.data(), plTriple8, 1, false),
              (TLogPalette{Rgb(gamma[0], gamma[64], gamma[255])}));
    EXPECT_EQ(gamma[64], uint8_t(std::nearbyint(std::pow(64 / 255.0, 1 / 2.2) * 255)));
    const std::vector<uint8_t> wide = BigEndianWords({0x4040, 0xFFFF, 0});
    EXPECT_EQ(manager.MakeColorPalette(wide.data(), plTriple16, 1, false),
              (TLogPalette{Rgb(gamma[64], 255, 0)}));
}

TEST(ColorPalette, AtMost256EntriesAreUsed) {
    std::vector<uint8_t> triples(300 * 3);
    for (size_t i = 0; i < triples.size(); ++i)
        triples[i] = uint8_t(i / 3);
    const TLogPalette palette =
        IndexedManager(8, 8).MakeColorPalette(triples.data(), plTriple8, 300, false);
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[255], Rgb(255, 255, 255));
    EXPECT_EQ(palette[17], Rgb(17, 17, 17));
}

TEST(ColorPalette, DepthFittingResamplesToTheTargetDepth) {
    const std::vector<uint8_t> triples{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    // 8-bit indices shown at 2 bits: target index j is source index j * 255 / 3 = 85 * j,
    // past the four given entries, so black but for entry 0.
    EXPECT_EQ(IndexedManager(8, 2).MakeColorPalette(triples.data(), plTriple8, 4, false),
              (TLogPalette{Rgb(1, 1, 1), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(0, 0, 0)}));
    // 2-bit indices at 1 bit: entries 0 and 3.
    EXPECT_EQ(IndexedManager(2, 1).MakeColorPalette(triples.data(), plTriple8, 4, false),
              (TLogPalette{Rgb(1, 1, 1), Rgb(4, 4, 4)}));
    // 1-bit indices at 2 bits: the two entries spread to 0 and 3, in between they repeat 0.
    EXPECT_EQ(IndexedManager(1, 2).MakeColorPalette(triples.data(), plTriple8, 2, false),
              (TLogPalette{Rgb(1, 1, 1), Rgb(1, 1, 1), Rgb(1, 1, 1), Rgb(2, 2, 2)}));
    const TLogPalette wide =
        IndexedManager(1, 8).MakeColorPalette(triples.data(), plTriple8, 2, false);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0], Rgb(1, 1, 1));
    EXPECT_EQ(wide[254], Rgb(1, 1, 1));
    EXPECT_EQ(wide[255], Rgb(2, 2, 2));
    // A 16-bit target keeps the table as it is.
    EXPECT_EQ(IndexedManager(8, 16).MakeColorPalette(triples.data(), plTriple8, 4, false).size(),
              4u);
    // 16-bit indices at 8 bits reach past any table but for index 0.
    const TLogPalette fromWide =
        IndexedManager(16, 8).MakeColorPalette(triples.data(), plTriple8, 4, false);
    ASSERT_EQ(fromWide.size(), 256u);
    EXPECT_EQ(fromWide[0], Rgb(1, 1, 1));
    EXPECT_EQ(fromWide[1], Rgb(0, 0, 0));
}

TEST(ColorPalette, GrayPalettesAreEvenlySpaced) {
    struct Case {
        uint32_t bits, samples;
        bool minimumIsWhite;
        std::vector<uint8_t> levels;
    };
    const Case cases[] = {
        {1, 1, false, {0, 255}},
        {1, 1, true, {255, 0}},
        {2, 1, false, {0, 85, 170, 255}},
        {2, 1, true, {255, 170, 85, 0}},
        {3, 1, false, {0, 36, 72, 108, 144, 180, 216, 252}},
        {1, 2, false, {0, 85, 170, 255}},
    };
    for (const Case& c : cases) {
        TColorManager manager;
        manager.SetTargetBits(c.bits);
        manager.SetTargetSamples(c.samples);
        TLogPalette expected;
        for (uint8_t level : c.levels)
            expected.push_back(Rgb(level, level, level));
        EXPECT_EQ(manager.MakeGrayPalette(c.minimumIsWhite), expected) << c.bits;
    }
    for (uint32_t bits : {8u, 16u}) {
        TColorManager manager;
        manager.SetTargetBits(bits);
        manager.SetTargetSamples(1);
        const TLogPalette palette = manager.MakeGrayPalette(false);
        ASSERT_EQ(palette.size(), 256u);
        for (int k = 0; k < 256; ++k)
            ASSERT_EQ(palette[k], Rgb(k, k, k));
        const TLogPalette reversed = manager.MakeGrayPalette(true);
        for (int k = 0; k < 256; ++k)
            ASSERT_EQ(reversed[k], Rgb(255 - k, 255 - k, 255 - k));
    }
}

TEST(ColorPalette, GrayPaletteHonoursGamma) {
    TColorManager manager;
    manager.SetTargetBits(2);
    manager.SetTargetSamples(1);
    manager.SetTargetFlags(cfGamma);
    const auto& gamma = manager.GammaTable();
    EXPECT_EQ(manager.MakeGrayPalette(false),
              (TLogPalette{Rgb(0, 0, 0), Rgb(gamma[85], gamma[85], gamma[85]),
                           Rgb(gamma[170], gamma[170], gamma[170]), Rgb(255, 255, 255)}));
}

} // namespace
