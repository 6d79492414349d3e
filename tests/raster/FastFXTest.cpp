#include "raster/FastFX.h"

#include "PixelTestSupport.h"
#include "raster/FastBMP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

std::unique_ptr<TFastBMP> Noise(int32_t w, int32_t h, uint32_t seed) {
    auto buffer = std::make_unique<TFastBMP>();
    buffer->SetSize(w, h);
    FillNoise(*buffer, seed);
    return buffer;
}

std::unique_ptr<TFastBMP> OnePixel(TBgr bgr) {
    auto buffer = std::make_unique<TFastBMP>();
    buffer->SetSize(1, 1);
    SetPixelAt(*buffer, 0, 0, bgr);
    return buffer;
}

struct Effect {
    const char* Name;
    std::function<void(TFastRGB&)> Apply;
};

const Effect Effects[] = {
    {"MakeGrayscale", MakeGrayscale},
    {"InvertColors", InvertColors},
    {"FlipHorizontal", FlipHorizontal},
    {"FlipVertical", FlipVertical},
    {"EmbossEffect", EmbossEffect},
    {"ShiftChannels", [](TFastRGB& b) { ShiftChannels(b, 40, -40, 300); }},
};

TEST(Effects, NeverTouchPaddingAndLeaveEmptyBuffersAlone) {
    for (const Effect& effect : Effects) {
        SCOPED_TRACE(effect.Name);
        for (int32_t width = 1; width <= 5; ++width) {
            const auto bufferOwner = Noise(width, 3, uint32_t(width));
            TFastBMP& buffer = *bufferOwner;
            FillPadding(buffer, 0xA5);
            effect.Apply(buffer);
            EXPECT_TRUE(PaddingIs(buffer, 0xA5)) << width;
        }
        TFastBMP empty;
        effect.Apply(empty);
        EXPECT_EQ(empty.PixelData, nullptr);
        TFastBMP noRows;
        noRows.SetSize(4, 0);
        effect.Apply(noRows);
    }
}

TEST(MakeGrayscale, IsTheTruncatedMeanOfTheChannels) {
    struct Case {
        TBgr In;
        uint8_t Gray;
    };
    for (const Case c :
         {Case{{0, 0, 255}, 85}, Case{{255, 255, 254}, 254}, Case{{255, 255, 255}, 255},
          Case{{0, 0, 0}, 0}, Case{{1, 1, 0}, 0}, Case{{10, 20, 33}, 21}}) {
        const auto bufferOwner = OnePixel(c.In);
        TFastBMP& buffer = *bufferOwner;
        MakeGrayscale(buffer);
        EXPECT_EQ(PixelAt(buffer, 0, 0), (TBgr{c.Gray, c.Gray, c.Gray}));
    }
    // Widths on both sides of the sixteen-pixel steps of the vector path.
    for (const int32_t width : {1, 2, 3, 4, 5, 9, 15, 16, 17, 33, 47, 48}) {
        SCOPED_TRACE(width);
        const auto original = Noise(width, 2, 34);
        const auto gray = Noise(width, 2, 34);
        FillPadding(*gray, 0x99);
        MakeGrayscale(*gray);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const TBgr p = PixelAt(*original, x, y);
                const uint8_t mean = uint8_t((p[0] + p[1] + p[2]) / 3);
                ASSERT_EQ(PixelAt(*gray, x, y), (TBgr{mean, mean, mean})) << x << "," << y;
            }
        EXPECT_TRUE(PaddingIs(*gray, 0x99));
    }
}

TEST(MakeGrayscale, EverySumOfChannelsGivesItsThird) {
    TFastBMP buffer;
    buffer.SetSize(766, 1);
    for (int32_t sum = 0; sum <= 765; ++sum)
        SetPixelAt(buffer, sum, 0,
                   {uint8_t(std::min(sum, 255)), uint8_t(std::clamp(sum - 255, 0, 255)),
                    uint8_t(std::max(sum - 510, 0))});
    MakeGrayscale(buffer);
    for (int32_t sum = 0; sum <= 765; ++sum) {
        const uint8_t third = uint8_t(sum / 3);
        ASSERT_EQ(PixelAt(buffer, sum, 0), (TBgr{third, third, third})) << sum;
    }
}

TEST(InvertColors, ComplementsEveryChannelAndTwiceRestores) {
    const auto bufferOwner = OnePixel({0, 100, 255});
    TFastBMP& buffer = *bufferOwner;
    InvertColors(buffer);
    EXPECT_EQ(PixelAt(buffer, 0, 0), (TBgr{255, 155, 0}));

    const auto pictureOwner = Noise(7, 5, 31);

    TFastBMP& picture = *pictureOwner;
    const std::vector<uint8_t> before = PixelBytes(picture);
    InvertColors(picture);
    EXPECT_NE(PixelBytes(picture), before);
    InvertColors(picture);
    EXPECT_EQ(PixelBytes(picture), before);
}

TEST(Flips, MirrorAndTwiceRestore) {
    // Widths on both sides of the four- and sixteen-pixel steps of the row reversal.
    for (const auto& [w, h] :
         {std::pair{1, 1}, std::pair{1, 4}, std::pair{4, 1}, std::pair{5, 3}, std::pair{6, 4},
          std::pair{16, 2}, std::pair{21, 3}, std::pair{35, 2}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h);
        const auto originalOwner = Noise(w, h, 32);
        const TFastBMP& original = *originalOwner;
        const auto mirroredOwner = Noise(w, h, 32);
        TFastBMP& mirrored = *mirroredOwner;
        FlipHorizontal(mirrored);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                ASSERT_EQ(PixelAt(mirrored, x, y), PixelAt(original, w - 1 - x, y));
        FlipHorizontal(mirrored);
        EXPECT_EQ(PixelBytes(mirrored), PixelBytes(original));

        FlipVertical(mirrored);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                ASSERT_EQ(PixelAt(mirrored, x, y), PixelAt(original, x, h - 1 - y));
        FlipVertical(mirrored);
        EXPECT_EQ(PixelBytes(mirrored), PixelBytes(original));
    }
}

TEST(EmbossEffect, FlatAreasBecomeMidGray) {
    for (const uint8_t v : {0, 1, 127, 200, 255}) {
        TFastBMP buffer;
        buffer.SetSize(5, 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x)
                SetPixelAt(buffer, x, y, {v, v, v});
        EmbossEffect(buffer);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x)
                ASSERT_EQ(PixelAt(buffer, x, y), (TBgr{127, 127, 127}));
    }
    const auto singleOwner = OnePixel({0, 100, 255}); // compared with itself
    TFastBMP& single = *singleOwner;
    EmbossEffect(single);
    EXPECT_EQ(PixelAt(single, 0, 0), (TBgr{127, 127, 127}));
}

TEST(EmbossEffect, ComparesWithTheUnchangedUpperRightNeighbour) {
    // Buffer rows: row 1 is the top. Each pixel p becomes (p + 255 - N) >> 1.
    TFastBMP buffer;
    buffer.SetSize(2, 2);
    SetPixelAt(buffer, 0, 0, {10, 20, 30});
    SetPixelAt(buffer, 1, 0, {40, 50, 60});
    SetPixelAt(buffer, 0, 1, {70, 80, 90});
    SetPixelAt(buffer, 1, 1, {100, 110, 120});
    EmbossEffect(buffer);
    // (0, 0) and (1, 0) take N = (1, 1); the top row takes its own right pixel, the last
    // column itself, both as they were before the pass.
    EXPECT_EQ(PixelAt(buffer, 0, 0), (TBgr{82, 82, 82}));
    EXPECT_EQ(PixelAt(buffer, 1, 0), (TBgr{97, 97, 97}));
    EXPECT_EQ(PixelAt(buffer, 0, 1), (TBgr{112, 112, 112}));
    EXPECT_EQ(PixelAt(buffer, 1, 1), (TBgr{127, 127, 127}));
}

TEST(ShiftChannels, AddsAndClampsEachChannel) {
    const auto pictureOwner = Noise(5, 4, 33);
    TFastBMP& picture = *pictureOwner;
    const std::vector<uint8_t> before = PixelBytes(picture);
    ShiftChannels(picture, 0, 0, 0);
    EXPECT_EQ(PixelBytes(picture), before);

    TFastBMP buffer;
    buffer.SetSize(3, 1);
    SetPixelAt(buffer, 0, 0, {0, 0, 0});
    SetPixelAt(buffer, 1, 0, {19, 128, 200});
    SetPixelAt(buffer, 2, 0, {255, 255, 255});
    ShiftChannels(buffer, 300, 0, -20);
    EXPECT_EQ(PixelAt(buffer, 0, 0), (TBgr{0, 0, 255}));
    EXPECT_EQ(PixelAt(buffer, 1, 0), (TBgr{0, 128, 255}));
    EXPECT_EQ(PixelAt(buffer, 2, 0), (TBgr{235, 255, 255}));

    ShiftChannels(buffer, -2147483647 - 1, 2147483647, 5);
    EXPECT_EQ(PixelAt(buffer, 1, 0), (TBgr{5, 255, 0}));
}

} // namespace
