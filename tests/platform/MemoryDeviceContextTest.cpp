#include "platform/MemoryDeviceContext.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr TColorRGB Black{};

// A 24-bit DIB whose pixel (column x, DIB row r) has red = 10 * x + r + 1, green = r,
// blue = x, with the row padding filled with 0xEE so that reading it shows up.
std::vector<uint8_t> Dib(int32_t width, int32_t height) {
    const int32_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> bits(size_t(stride) * height, 0xEE);
    for (int32_t r = 0; r < height; ++r)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &bits[size_t(r) * stride + size_t(x) * 3];
            p[0] = uint8_t(x);
            p[1] = uint8_t(r);
            p[2] = uint8_t(10 * x + r + 1);
        }
    return bits;
}

TColorRGB DibPixel(int32_t x, int32_t r) {
    return {uint8_t(10 * x + r + 1), uint8_t(r), uint8_t(x)};
}

TBitmapInfoHeader Header(int32_t width, int32_t height) {
    TBitmapInfoHeader info;
    info.biWidth = width;
    info.biHeight = height;
    return info;
}

TEST(MemoryDeviceContext, StartsBlackAndRefusesImpossibleSizes) {
    TMemoryDeviceContext dc(3, 2);
    EXPECT_EQ(dc.Width(), 3);
    EXPECT_EQ(dc.Height(), 2);
    EXPECT_EQ(dc.Pixel(2, 1), Black);
    EXPECT_THROW(TMemoryDeviceContext(-1, 2), EInvalidGraphic);
    EXPECT_THROW(TMemoryDeviceContext(100000, 100000), EInvalidGraphic);
    TMemoryDeviceContext empty(0, 0);
    EXPECT_EQ(empty.Width(), 0);
}

TEST(MemoryDeviceContext, SetStretchBltModeReturnsThePreviousMode) {
    TMemoryDeviceContext dc(1, 1);
    const int initial = dc.SetStretchBltMode(COLORONCOLOR);
    EXPECT_EQ(dc.SetStretchBltMode(HALFTONE), COLORONCOLOR);
    EXPECT_EQ(dc.StretchBltMode(), HALFTONE);
    EXPECT_NE(initial, COLORONCOLOR);
}

TEST(MemoryDeviceContext, BottomUpRowsArriveTopRowFirstAndPaddingIsSkipped) {
    const std::vector<uint8_t> bits = Dib(3, 2); // stride 12, padding 3
    TMemoryDeviceContext dc(3, 2);
    dc.StretchDIBits(0, 0, 3, 2, 0, 0, 3, 2, bits.data(), Header(3, 2));
    for (int32_t x = 0; x < 3; ++x) {
        EXPECT_EQ(dc.Pixel(x, 0), DibPixel(x, 1));
        EXPECT_EQ(dc.Pixel(x, 1), DibPixel(x, 0));
    }
    TMemoryDeviceContext topDown(3, 2);
    topDown.StretchDIBits(0, 0, 3, 2, 0, 0, 3, 2, bits.data(), Header(3, -2));
    EXPECT_EQ(topDown.Pixel(1, 0), DibPixel(1, 0));
    EXPECT_EQ(topDown.Pixel(1, 1), DibPixel(1, 1));
}

TEST(MemoryDeviceContext, StretchRepeatsAndDropsSamplesWithoutAveraging) {
    const std::vector<uint8_t> bits = Dib(2, 2);
    TMemoryDeviceContext dc(6, 4);
    dc.StretchDIBits(0, 0, 6, 4, 0, 0, 2, 2, bits.data(), Header(2, 2));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(dc.Pixel(x, y), DibPixel(x / 3, 1 - y / 2)) << x << "," << y;

    const std::vector<uint8_t> wide = Dib(8, 1);
    TMemoryDeviceContext half(4, 1);
    half.StretchDIBits(0, 0, 4, 1, 0, 0, 8, 1, wide.data(), Header(8, 1));
    for (int32_t x = 0; x < 4; ++x) // every other column, sampled at the centre
        EXPECT_EQ(half.Pixel(x, 0), DibPixel(2 * x + 1, 0));
}

TEST(MemoryDeviceContext, StretchIsClippedToTheTargetAndToTheSource) {
    const std::vector<uint8_t> bits = Dib(4, 4);
    TMemoryDeviceContext dc(3, 3);
    dc.StretchDIBits(-2, -1, 4, 4, 0, 0, 4, 4, bits.data(), Header(4, 4));
    // Target (0, 0) is picture (2, 1): DIB row 4 - 1 - 1 = 2.
    EXPECT_EQ(dc.Pixel(0, 0), DibPixel(2, 2));
    EXPECT_EQ(dc.Pixel(1, 2), DibPixel(3, 0));
    EXPECT_EQ(dc.Pixel(2, 0), Black);

    // A source rectangle reaching past the DIB leaves those target pixels alone.
    TMemoryDeviceContext partial(4, 4);
    partial.StretchDIBits(0, 0, 4, 4, 2, 2, 4, 4, bits.data(), Header(4, 4));
    EXPECT_EQ(partial.Pixel(0, 3), DibPixel(2, 2));
    EXPECT_EQ(partial.Pixel(1, 2), DibPixel(3, 3));
    EXPECT_EQ(partial.Pixel(2, 3), Black);
    EXPECT_EQ(partial.Pixel(0, 1), Black);
}

TEST(MemoryDeviceContext, FillRegionPaintsOnlyItsClippedRectangles) {
    TMemoryDeviceContext dc(4, 3);
    const TColorRGB grey{9, 8, 7};
    dc.FillRegion({{-5, -5, 1, 1}, {2, 1, 10, 2}}, grey);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            const bool filled = (x == 0 && y == 0) || (x >= 2 && y == 1);
            EXPECT_EQ(dc.Pixel(x, y), filled ? grey : Black) << x << "," << y;
        }
}

} // namespace
