#include "color/ColorManager.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// The conversion written from its definition: weights to factors, ties to even, clamping.
std::array<uint8_t, 3> Reference(int y, int cb, int cr, std::array<float, 3> k, bool photo) {
    const double fr = float(2 - 2 * double(k[0]));
    const double fb = float(2 - 2 * double(k[2]));
    const double dcr = photo ? cr - 137 : cr - 128;
    const double dcb = photo ? cb - 156 : cb - 128;
    const auto clamp = [](double v) { return uint8_t(std::clamp(v, 0.0, 255.0)); };
    return {
        clamp(y + std::nearbyint(fr * dcr)),
        clamp(y - std::nearbyint(k[0] * fr / k[1] * dcr) - std::nearbyint(k[2] * fb / k[1] * dcb)),
        clamp(y + std::nearbyint(fb * dcb))};
}

TEST(YCbCrConversion, NeutralChromaGivesGrayForEveryLuma) {
    std::vector<uint8_t> source;
    for (int y = 0; y < 256; ++y)
        source.insert(source.end(), {uint8_t(y), 128, 128});
    TColorManager manager = MakeManager(psYCbCr, 8, psBGR, 8);
    const std::vector<uint8_t> out = Convert(manager, source, std::vector<uint8_t>(768), 256);
    for (int y = 0; y < 256; ++y)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(out[y * 3 + c], y);
}

TEST(YCbCrConversion, MatchesTheReferenceOverAGridOfSamples) {
    struct Case {
        TPixelScheme scheme;
        std::array<float, 3> weights;
    };
    const Case cases[] = {{psYCbCr, {0.299f, 0.587f, 0.114f}},
                          {psYCbCr, {0.2126f, 0.7152f, 0.0722f}},
                          {psPhotoYCC, {0.299f, 0.587f, 0.114f}}};
    for (const Case& c : cases) {
        std::vector<uint8_t> source;
        for (int y = 0; y < 256; y += 15)
            for (int cb = 0; cb < 256; cb += 5)
                for (int cr = 0; cr < 256; cr += 3)
                    source.insert(source.end(), {uint8_t(y), uint8_t(cb), uint8_t(cr)});
        const uint32_t count = uint32_t(source.size() / 3);
        TColorManager manager = MakeManager(c.scheme, 8, psRGB, 8);
        manager.SetYCbCrSetup(c.weights, 2, 2);
        const std::vector<uint8_t> out =
            Convert(manager, source, std::vector<uint8_t>(count * 3), count);
        for (uint32_t i = 0; i < count; ++i) {
            const auto expected = Reference(source[i * 3], source[i * 3 + 1], source[i * 3 + 2],
                                            c.weights, c.scheme == psPhotoYCC);
            ASSERT_EQ((std::array<uint8_t, 3>{out[i * 3], out[i * 3 + 1], out[i * 3 + 2]}),
                      expected)
                << int(source[i * 3]) << " " << int(source[i * 3 + 1]) << " "
                << int(source[i * 3 + 2]);
        }
    }
}

TEST(YCbCrConversion, HandComputedColours) {
    // Cr 255 with the default weights adds round(1.402 * 127) = 178 to red; Cb 0 takes
    // round(1.772 * 128) = 227 from blue.
    TColorManager manager = MakeManager(psYCbCr, 8, psBGR, 8);
    EXPECT_EQ(Convert(manager, {50, 128, 255, 250, 0, 128}, std::vector<uint8_t>(6), 2),
              (std::vector<uint8_t>{50, 0, 228, 23, 255, 250}));
}

TEST(YCbCrConversion, SixteenBitDepthPairs) {
    TColorManager wideTarget = MakeManager(psYCbCr, 8, psRGB, 16);
    EXPECT_EQ(Convert(wideTarget, {100, 128, 128}, std::vector<uint8_t>(6), 1),
              Words({100 * 257, 100 * 257, 100 * 257}));
    TColorManager wideSource = MakeManager(psYCbCr, 16, psRGB, 8, cfSwapBytes);
    EXPECT_EQ(
        Convert(wideSource, BigEndianWords({0x6464, 0x8080, 0x8080}), std::vector<uint8_t>(3), 1),
        (std::vector<uint8_t>{100, 100, 100}));
    // 16 to 16: fixed photo YCC factors around Cb 40092 and Cr 35209, kept within 16 bits.
    TColorManager wide = MakeManager(psPhotoYCC, 16, psBGR, 16);
    EXPECT_EQ(Convert(wide, Words({10000, 40092, 35209, 65535, 40092, 35209, 0, 0, 65535}),
                      std::vector<uint8_t>(18), 3),
              Words({13584, 13584, 13584, 65535, 65535, 65535, 0, 0, 55239}));
}

} // namespace
