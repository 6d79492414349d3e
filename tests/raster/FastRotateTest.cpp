#include "raster/FastRotate.h"

#include "PixelTestSupport.h"
#include "raster/FastBMP.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(RotatedExtent, IsTheRoundedBoundingBox) {
    struct Case {
        long double Angle;
        int32_t Width, Height;
    };
    for (const Case c :
         {Case{0, 200, 100}, Case{90, 100, 200}, Case{45, 212, 212}, Case{30, 223, 187},
          Case{-30, 223, 187}, Case{180, 200, 100}, Case{390, 223, 187}}) {
        SCOPED_TRACE(double(c.Angle));
        TFastBMP source, target;
        source.SetSize(200, 100);
        RotatedExtent(source, target, c.Angle);
        EXPECT_EQ(target.Width, c.Width);
        EXPECT_EQ(target.Height, c.Height);
    }
}

TEST(RotatedExtent, ReadsTheSizeBeforeResizingTheSameBuffer) {
    TFastBMP buffer;
    buffer.SetSize(200, 100);
    RotatedExtent(buffer, buffer, 30);
    EXPECT_EQ(buffer.Width, 223);
    EXPECT_EQ(buffer.Height, 187);
    EXPECT_EQ(buffer.ColorCount(), 1);

    // An unchanged size keeps the pixels.
    FillNoise(buffer, 41);
    const std::vector<uint8_t> before = PixelBytes(buffer);
    TFastBMP source;
    source.SetSize(200, 100);
    RotatedExtent(source, buffer, 30);
    EXPECT_EQ(PixelBytes(buffer), before);
}

TEST(RotateQuarter, MapsEachPixelAsTheQuarterTurnsSay) {
    constexpr int32_t W = 3, H = 2;
    TFastBMP source;
    source.SetSize(W, H);
    FillNoise(source, 42);
    struct Case {
        int64_t Angle;
        int q;
    };
    for (const Case c : {Case{0, 0}, Case{90, 1}, Case{180, 2}, Case{270, 3}, Case{-90, 3},
                         Case{-270, 1}, Case{450, 1}, Case{-360, 0}, Case{720, 0}}) {
        SCOPED_TRACE(c.Angle);
        TFastBMP target;
        RotateQuarter(source, target, c.Angle); // sized to the result
        ASSERT_EQ(target.Width, c.q % 2 ? H : W);
        ASSERT_EQ(target.Height, c.q % 2 ? W : H);
        for (int32_t y = 0; y < target.Height; ++y)
            for (int32_t x = 0; x < target.Width; ++x) {
                const TBgr expected = c.q == 0   ? PixelAt(source, x, y)
                                      : c.q == 1 ? PixelAt(source, y, H - 1 - x)
                                      : c.q == 2 ? PixelAt(source, W - 1 - x, H - 1 - y)
                                                 : PixelAt(source, W - 1 - y, x);
                EXPECT_EQ(PixelAt(target, x, y), expected) << x << "," << y;
            }
    }
}

TEST(RotateQuarter, TurnsAreExactlyUndone) {
    // Larger than one tile of the blocked loops, with odd sizes and padding on both sides.
    TFastBMP original;
    original.SetSize(131, 70);
    FillNoise(original, 43);
    const std::vector<uint8_t> pixels = PixelBytes(original);

    TFastBMP a, b;
    RotateQuarter(original, a, 90);
    FillPadding(b, 0);
    RotateQuarter(a, b, -90);
    EXPECT_EQ(PixelBytes(b), pixels);
    RotateQuarter(a, b, 90);
    RotateQuarter(b, a, 180);
    EXPECT_EQ(a.Width, 131);
    EXPECT_EQ(PixelBytes(a), pixels) << "90 + 90 + 180";

    TFastBMP turned;
    turned.AssignPixels(original);
    for (int i = 0; i < 4; ++i) {
        TFastBMP next;
        RotateQuarter(turned, next, 90);
        turned.AssignPixels(next);
    }
    EXPECT_EQ(PixelBytes(turned), pixels);
}

TEST(RotateQuarter, WorksInPlaceAndLeavesPaddingAlone) {
    TFastBMP original, buffer;
    original.SetSize(5, 3);
    FillNoise(original, 44);
    buffer.AssignPixels(original);
    RotateQuarter(buffer, buffer, 90);
    ASSERT_EQ(buffer.Width, 3);
    RotateQuarter(buffer, buffer, 270);
    EXPECT_EQ(PixelBytes(buffer), PixelBytes(original));

    TFastBMP target;
    target.SetSize(3, 5);
    FillPadding(target, 0x3C);
    RotateQuarter(original, target, -90);
    EXPECT_TRUE(PaddingIs(target, 0x3C));
}

TEST(RotateBilinear, ZeroDegreesReproducesEveryPixel) {
    TFastBMP source, target;
    source.SetSize(9, 6);
    FillNoise(source, 45);
    target.SetSize(9, 6);
    RotateBilinear(source, target, 5, 0, 3); // Round(4.5) = 4 would do as well
    EXPECT_EQ(PixelBytes(target), PixelBytes(source));
    RotateBilinear(source, target, 4, 0, 3);
    EXPECT_EQ(PixelBytes(target), PixelBytes(source));
}

TEST(RotateBilinear, NinetyDegreesOnAnEvenSquareIsTheQuarterTurn) {
    for (const long double angle : {90.0L, -90.0L, 180.0L}) {
        SCOPED_TRACE(double(angle));
        TFastBMP source, quarter, bilinear;
        source.SetSize(6, 6);
        FillNoise(source, 46);
        RotateQuarter(source, quarter, int64_t(angle));
        bilinear.SetSize(6, 6);
        RotateBilinear(source, bilinear, 3, angle, 3);
        EXPECT_EQ(PixelBytes(bilinear), PixelBytes(quarter));
    }
}

TEST(RotateBilinear, PixelsOutsideTheSourceKeepWhatTheTargetHeld) {
    TFastBMP source, target;
    source.SetSize(20, 10);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x)
            SetPixelAt(source, x, y, {200, 150, 100});
    RotatedExtent(source, target, 45);
    ASSERT_EQ(target.Width, 21);
    ASSERT_EQ(target.Height, 21);
    FillNoise(target, 47);
    const TBgr corner = PixelAt(target, 0, 0);
    FillPadding(target, 0x11);
    RotateBilinear(source, target, 10, 45, 10);
    EXPECT_EQ(PixelAt(target, 0, 0), corner);
    EXPECT_EQ(PixelAt(target, 10, 10), (TBgr{200, 150, 100}));
    EXPECT_TRUE(PaddingIs(target, 0x11));
}

TEST(RotateBilinear, FollowsALinearRampAndClampsItsExtrapolation) {
    // Columns 255, 155, 55 in every row. Bilinear sampling reproduces a linear ramp exactly,
    // extrapolation included (up to the rounding), except that the last column has no right
    // neighbour and stays flat; beyond the left edge the ramp passes 255 and is cut off.
    TFastBMP source, target;
    source.SetSize(3, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 3; ++x)
            SetPixelAt(
                source, x, y,
                TBgr{uint8_t(255 - 100 * x), uint8_t(255 - 100 * x), uint8_t(255 - 100 * x)});
    for (const double angle : {10.0, -25.0, 37.5}) {
        SCOPED_TRACE(angle);
        target.SetSize(5, 5);
        const TBgr marker{1, 2, 3};
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 5; ++x)
                SetPixelAt(target, x, y, marker);
        constexpr int32_t CX = 2, CY = 2, XD = 1, YD = 1;
        RotateBilinear(source, target, CX, angle, CY);
        const double theta = -angle * M_PI / 180;
        int sampled = 0, clamped = 0;
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                // The destination pixel's centre turned back into the source's pixel grid.
                const double ux = x + 0.5 - CX, uy = y + 0.5 - CY;
                const double fx = std::cos(theta) * ux - std::sin(theta) * uy + CX - XD - 0.5;
                const double fy = std::sin(theta) * ux + std::cos(theta) * uy + CY - YD - 0.5;
                const long ix = std::lround(fx), iy = std::lround(fy);
                const TBgr got = PixelAt(target, x, y);
                if (ix < 0 || ix > 2 || iy < 0 || iy > 2) {
                    EXPECT_EQ(got, marker) << x << "," << y;
                    continue;
                }
                const double ramp = ix == 2 ? 55 : std::min(255.0, 255 - 100 * fx);
                EXPECT_NEAR(got[0], ramp, 1.0) << x << "," << y;
                EXPECT_EQ(got[0], got[2]);
                ++sampled;
                clamped += ramp == 255;
            }
        EXPECT_GT(sampled, 5);
        EXPECT_GT(clamped, 0);
    }
}

TEST(Rotations, LeaveEmptyBuffersAlone) {
    TFastBMP empty, target;
    target.SetSize(2, 2);
    FillNoise(target, 48);
    const std::vector<uint8_t> before = PixelBytes(target);
    RotateBilinear(empty, target, 1, 30, 1);
    EXPECT_EQ(PixelBytes(target), before);
    RotateQuarter(empty, target, 90);
    EXPECT_EQ(target.Width, 0);
    RotatedExtent(empty, target, 30);
    EXPECT_EQ(target.Width, 0);
}

} // namespace
