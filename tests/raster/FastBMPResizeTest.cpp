#include "raster/FastBMP.h"

#include "PixelTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void SetGray(TFastRGB& buffer, int32_t x, int32_t y, uint8_t v) {
    SetPixelAt(buffer, x, y, {v, v, v});
}

TEST(ResizeBilinear, OneRowNeverReachesTheLastSourceValue) {
    for (int channel = 0; channel < 3; ++channel) {
        SCOPED_TRACE(channel);
        TFastBMP source, target;
        source.SetSize(2, 1);
        source.RowTable[0][3 + channel] = 255;
        target.SetSize(4, 1);
        source.ResizeBilinear(target);
        const uint8_t expected[] = {0, 63, 127, 191};
        for (int32_t x = 0; x < 4; ++x) {
            TBgr pixel{0, 0, 0};
            pixel[size_t(channel)] = expected[x];
            EXPECT_EQ(PixelAt(target, x, 0), pixel) << x;
        }
    }
}

TEST(ResizeBilinear, StaysCloseToTheExactInterpolation) {
    // Sample positions are the fixed-point steps; the value there is the true bilinear blend,
    // which truncated weights and the final shift may undershoot by a little over one.
    TFastBMP source;
    source.SetSize(37, 23);
    FillNoise(source, 21);
    FillPadding(source, 0xCD);
    for (const auto& [w, h] : {std::pair{11, 7}, std::pair{80, 50}, std::pair{37, 9},
                               std::pair{5, 23}, std::pair{100, 1}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h);
        TFastBMP target;
        target.SetSize(w, h);
        FillPadding(target, 0xAB);
        source.ResizeBilinear(target);
        const int64_t xs = (int64_t(source.Width - 1) * 32768) / w;
        const int64_t ys = (int64_t(source.Height - 1) * 32768) / h;
        for (int32_t i = 0; i < h; ++i)
            for (int32_t j = 0; j < w; ++j) {
                const double fx = double(j * xs) / 32768, fy = double(i * ys) / 32768;
                const int32_t c = int32_t(fx), r = int32_t(fy);
                const double u = fx - c, v = fy - r;
                const int32_t r1 = std::min(r + 1, source.Height - 1);
                for (size_t k = 0; k < 3; ++k) {
                    const double exact = (1 - v) * ((1 - u) * PixelAt(source, c, r)[k] +
                                                    u * PixelAt(source, c + 1, r)[k]) +
                                         v * ((1 - u) * PixelAt(source, c, r1)[k] +
                                              u * PixelAt(source, c + 1, r1)[k]);
                    ASSERT_NEAR(PixelAt(target, j, i)[k], exact, 1.05) << j << "," << i;
                }
            }
        EXPECT_TRUE(PaddingIs(target, 0xAB));
    }
}

TEST(ResizeBilinear, SameSizeCopiesAndOnePixelWideReplicates) {
    TFastBMP source, target;
    source.SetSize(6, 4);
    FillNoise(source, 22);
    target.SetSize(6, 4);
    source.ResizeBilinear(target);
    EXPECT_EQ(PixelBytes(target), PixelBytes(source));

    TFastBMP column;
    column.SetSize(1, 2);
    SetGray(column, 0, 0, 10);
    SetGray(column, 0, 1, 200);
    target.SetSize(5, 4);
    column.ResizeBilinear(target);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(PixelAt(target, x, y)[0], y < 2 ? 10 : 200) << x << "," << y;
}

TEST(ResizeNearest, EnlargingTwoByTwoBySixUsesRunsOfFour) {
    TFastBMP source, target;
    source.SetSize(2, 2);
    FillNoise(source, 23);
    target.SetSize(6, 6);
    source.ResizeNearest(target);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(PixelAt(target, x, y), PixelAt(source, x / 3, y / 3)) << x << "," << y;
}

TEST(ResizeNearest, OverlappingRunsLetTheLaterColumnWin) {
    // Factor 7/3: runs of Round(2.83) = 3 starting at 0, 2 and 4.
    TFastBMP source, target;
    source.SetSize(3, 1);
    for (int32_t x = 0; x < 3; ++x)
        SetGray(source, x, 0, uint8_t(10 * (x + 1)));
    target.SetSize(7, 2);
    source.ResizeNearest(target);
    const uint8_t expected[] = {10, 10, 20, 20, 30, 30, 30};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 7; ++x)
            EXPECT_EQ(PixelAt(target, x, y)[0], expected[x]) << x << "," << y;
}

TEST(ResizeNearest, ReducingPicksEveryNthRowAndColumn) {
    TFastBMP source, target;
    source.SetSize(6, 4);
    FillNoise(source, 24);
    target.SetSize(3, 2);
    source.ResizeNearest(target);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(PixelAt(target, x, y), PixelAt(source, 2 * x, 2 * y));

    // Shrinking one way and growing the other takes the reducing path in both.
    target.SetSize(12, 2);
    source.ResizeNearest(target);
    for (int32_t x = 0; x < 12; ++x)
        EXPECT_EQ(PixelAt(target, x, 1), PixelAt(source, x / 2, 2));
}

struct TPartCase {
    bool Bilinear;
    int32_t SourceWidth, SourceHeight, TargetWidth, TargetHeight;
};

class ResizePart : public testing::TestWithParam<TPartCase> {};

// Every window of the target, from one pixel to the whole, holds the whole resample's pixels.
TEST_P(ResizePart, HoldsTheWholeResamplesPixelsWhereverItLies) {
    const TPartCase& c = GetParam();
    TFastBMP source, whole;
    source.SetSize(c.SourceWidth, c.SourceHeight);
    FillNoise(source, 5);
    whole.SetSize(c.TargetWidth, c.TargetHeight);
    c.Bilinear ? source.ResizeBilinear(whole) : source.ResizeNearest(whole);
    const int32_t w = c.TargetWidth, h = c.TargetHeight;
    // Columns and rows of the target, rows counted from the bottom as stored.
    const TRect windows[] = {{0, 0, w, h},         {0, 0, 1, 1},         {w - 1, h - 1, w, h},
                             {w / 3, h / 4, w, h}, {1, 1, w / 2, h / 2}, {w / 2, 0, w / 2 + 1, h}};
    for (const TRect& window : windows) {
        TFastBMP part;
        part.SetSize(window.Width(), window.Height());
        const TResampleWindow placed{w, h, window.Left, window.Top};
        c.Bilinear ? ResizeBilinearPart(source, part, placed)
                   : ResizeNearestPart(source, part, placed);
        for (int32_t y = 0; y < part.Height; ++y)
            for (int32_t x = 0; x < part.Width; ++x)
                ASSERT_EQ(PixelAt(part, x, y), PixelAt(whole, window.Left + x, window.Top + y))
                    << "window at " << window.Left << "," << window.Top << " pixel " << x << ","
                    << y;
        const bool resampled = c.SourceWidth > 1 &&
                               (c.SourceWidth != c.TargetWidth || c.SourceHeight != c.TargetHeight);
        if (!c.Bilinear || !resampled)
            continue;
        // The same pixels as 32-bit ones, top row first, with 255 in the fourth byte.
        std::vector<uint8_t> bgrx(size_t(part.Width) * size_t(part.Height) * 4, 0);
        ResizeBilinearPart(source, TBgrxRows{bgrx.data(), part.Width * 4, part.Width, part.Height},
                           placed);
        for (int32_t y = 0; y < part.Height; ++y)
            for (int32_t x = 0; x < part.Width; ++x) {
                const uint8_t* p = &bgrx[(size_t(part.Height - 1 - y) * part.Width + x) * 4];
                ASSERT_EQ((TBgr{p[0], p[1], p[2]}), PixelAt(part, x, y)) << x << "," << y;
                ASSERT_EQ(p[3], 255);
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ResizePart,
                         testing::Values(TPartCase{true, 7, 5, 61, 43},
                                         TPartCase{true, 40, 30, 9, 7}, TPartCase{true, 6, 6, 6, 6},
                                         TPartCase{true, 1, 4, 9, 13}, TPartCase{true, 1, 9, 5, 3},
                                         TPartCase{false, 5, 4, 17, 12},
                                         TPartCase{false, 2, 2, 6, 6},
                                         TPartCase{false, 30, 20, 7, 29},
                                         TPartCase{false, 9, 9, 9, 9}));

// The resampling formula in its plainest form: a truth independent of the vectorised kernels.
TBgr PlainBilinear(const TFastRGB& source, int32_t w, int32_t h, int32_t x, int32_t y) {
    const uint32_t xs = uint32_t(source.Width - 1) * 32768 / uint32_t(w);
    const uint32_t ys = uint32_t(source.Height - 1) * 32768 / uint32_t(h);
    const uint32_t sx = uint32_t(x) * xs, sy = uint32_t(y) * ys;
    const int32_t c = int32_t(sx >> 15), r = int32_t(sy >> 15);
    const int32_t r1 = r < source.Height - 1 ? r + 1 : r;
    const uint32_t fx = sx & 32767, fy = sy & 32767, gy = 32768 - fy;
    const uint32_t a1 = (fx * gy) >> 15, a0 = gy - a1, b1 = (fx * fy) >> 15, b0 = fy - b1;
    TBgr pixel{};
    for (size_t k = 0; k < 3; ++k)
        pixel[k] = uint8_t((PixelAt(source, c, r)[k] * a0 + PixelAt(source, c + 1, r)[k] * a1 +
                            PixelAt(source, c, r1)[k] * b0 + PixelAt(source, c + 1, r1)[k] * b1) >>
                           15);
    return pixel;
}

// Both kernels, against the plain formula: enlarging and reducing, exact multiples (weights of
// 32768), widths of every remainder, rows without padding (the last right neighbour ends the
// row), and one-row sources.
TEST(ResizeBilinear, ThirtyTwoBitKernelsGiveThePlainFormulasPixels) {
    const int32_t sizes[][4] = {{2, 2, 9, 7},      {3, 5, 8, 9},    {4, 3, 13, 6},
                                {5, 5, 8, 8},      {8, 4, 3, 2},    {12, 9, 31, 17},
                                {16, 16, 11, 5},   {33, 7, 64, 15}, {40, 30, 39, 29},
                                {64, 48, 17, 100}, {7, 1, 23, 3},   {100, 3, 37, 1}};
    for (const TBilinearKernel kernel : {TBilinearKernel::Sse2, TBilinearKernel::Widest}) {
        for (const auto& [sw, sh, tw, th] : sizes) {
            SCOPED_TRACE(::testing::Message() << sw << "x" << sh << " to " << tw << "x" << th
                                              << " kernel " << int(kernel));
            TFastBMP source;
            source.SetSize(sw, sh);
            FillNoise(source, uint32_t(sw * 100 + tw));
            std::vector<uint8_t> bgrx(size_t(tw) * size_t(th) * 4, 0);
            ResizeBilinearPart(source, TBgrxRows{bgrx.data(), tw * 4, tw, th}, {tw, th, 0, 0},
                               kernel);
            for (int32_t y = 0; y < th; ++y)
                for (int32_t x = 0; x < tw; ++x) {
                    const uint8_t* p = &bgrx[(size_t(th - 1 - y) * size_t(tw) + size_t(x)) * 4];
                    ASSERT_EQ((TBgr{p[0], p[1], p[2]}), PlainBilinear(source, tw, th, x, y))
                        << x << "," << y;
                    ASSERT_EQ(p[3], 255);
                }
        }
    }
}

TEST(Resize, EmptyBuffersOnEitherSideChangeNothing) {
    TFastBMP empty, target;
    target.SetSize(3, 3);
    FillNoise(target, 25);
    const std::vector<uint8_t> before = PixelBytes(target);
    empty.ResizeBilinear(target);
    empty.ResizeNearest(target);
    EXPECT_EQ(PixelBytes(target), before);
    target.ResizeBilinear(empty);
    target.ResizeNearest(empty);
    EXPECT_EQ(empty.Width, 0);
}

} // namespace
