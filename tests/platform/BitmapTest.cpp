#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

std::array<uint8_t, 3> Bgr(const TBitmap& bitmap, int32_t x, int32_t y) {
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(bitmap.Width(), bitmap.Height());
    canvas.Fill({255, 255, 255});
    bitmap.Draw(canvas, 0, 0);
    const uint8_t* p = canvas.ScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

TEST(Bitmap, RowsAreDibAlignedAndZeroFilled) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(5, 2);
    EXPECT_EQ(bitmap.RowBytes(), 16);
    EXPECT_EQ(bitmap.ScanLine(1) - bitmap.ScanLine(0), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(bitmap.ScanLine(1)[i], 0);
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(bitmap.RowBytes(), 4);
    EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphic);
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphic);
}

TEST(Bitmap, SizesTheGateRefusesRaiseAndLeaveTheBitmapEmpty) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_THROW(bitmap.SetSize(int32_t(MaxPictureDimension + 1), 1), EInvalidGraphic);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_THROW(bitmap.SetSize(100000, 100000), EInvalidGraphic);
    EXPECT_THROW(bitmap.SetSize(-1, 5), EInvalidGraphic);
    bitmap.SetPixelFormat(TPixelFormat::pfCustom);
    EXPECT_THROW(bitmap.SetSize(2, 2), EInvalidGraphic);
}

TEST(Bitmap, IndexedPixelsLookUpThePaletteAndIndicesPastItAreBlack) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf4bit);
    bitmap.SetPalette({{10, 20, 30, 0}, {40, 50, 60, 0}});
    bitmap.SetSize(3, 1);
    bitmap.ScanLine(0)[0] = 0x01; // pixels 0 and 1
    bitmap.ScanLine(0)[1] = 0x70; // pixel 2: index 7, past the palette
    EXPECT_EQ(Bgr(bitmap, 0, 0), (std::array<uint8_t, 3>{30, 20, 10}));
    EXPECT_EQ(Bgr(bitmap, 1, 0), (std::array<uint8_t, 3>{60, 50, 40}));
    EXPECT_EQ(Bgr(bitmap, 2, 0), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(Bitmap, OneBitDefaultsToBlackAndWhiteMostSignificantBitFirst) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    bitmap.SetSize(9, 1);
    bitmap.ScanLine(0)[0] = 0x80;
    bitmap.ScanLine(0)[1] = 0x80;
    EXPECT_EQ(Bgr(bitmap, 0, 0)[0], 255);
    EXPECT_EQ(Bgr(bitmap, 1, 0)[0], 0);
    EXPECT_EQ(Bgr(bitmap, 8, 0)[0], 255);
}

TEST(Bitmap, FifteenAndSixteenBitExpandToFullScale) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf15bit);
    bitmap.SetSize(2, 1);
    bitmap.ScanLine(0)[0] = 0xFF; // 0x7FFF: white
    bitmap.ScanLine(0)[1] = 0x7F;
    bitmap.ScanLine(0)[2] = 0x10; // 0x0210: blue 16, green 16, red 0
    bitmap.ScanLine(0)[3] = 0x02;
    EXPECT_EQ(Bgr(bitmap, 0, 0), (std::array<uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(Bgr(bitmap, 1, 0), (std::array<uint8_t, 3>{132, 132, 0}));
    bitmap.SetPixelFormat(TPixelFormat::pf16bit);
    bitmap.SetSize(1, 1);
    bitmap.ScanLine(0)[0] = 0xE0; // green 63 only
    bitmap.ScanLine(0)[1] = 0x07;
    EXPECT_EQ(Bgr(bitmap, 0, 0), (std::array<uint8_t, 3>{0, 255, 0}));
}

TEST(Bitmap, ThirtyTwoBitBlendsOverWhiteUnlessEveryAlphaIsZero) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    bitmap.SetSize(2, 1);
    uint8_t* row = bitmap.ScanLine(0);
    const uint8_t pixels[8] = {0, 0, 200, 0, 0, 0, 0, 128};
    std::memcpy(row, pixels, 8);
    // Pixel 0 has alpha 0 and shows white; pixel 1 is black at half alpha.
    EXPECT_EQ(Bgr(bitmap, 0, 0), (std::array<uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(Bgr(bitmap, 1, 0), (std::array<uint8_t, 3>{127, 127, 127}));
    row[7] = 0; // now every alpha byte is 0: drawn opaque
    EXPECT_EQ(Bgr(bitmap, 0, 0), (std::array<uint8_t, 3>{0, 0, 200}));
}

TEST(Bitmap, TransparentColourShowsWhite) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(2, 1);
    bitmap.Fill({1, 2, 3});
    bitmap.ScanLine(0)[3] = 9;
    bitmap.Transparent = true;
    bitmap.TransparentColor = {1, 2, 3};
    EXPECT_EQ(Bgr(bitmap, 0, 0), (std::array<uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(Bgr(bitmap, 1, 0), (std::array<uint8_t, 3>{9, 2, 1}));
}

TEST(Bitmap, DrawClipsToTheCanvas) {
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    picture.SetSize(2, 2);
    picture.Fill({0, 0, 0});
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(3, 3);
    canvas.Fill({255, 255, 255});
    picture.Draw(canvas, 2, -1);
    EXPECT_EQ(canvas.ScanLine(0)[6], 0);   // (2,0) covered by picture row 1
    EXPECT_EQ(canvas.ScanLine(1)[6], 255); // below the picture
    EXPECT_EQ(canvas.ScanLine(0)[3], 255); // left of it
}

TEST(Bitmap, AssignCopiesPixelsPaletteAndTransparency) {
    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf8bit);
    source.SetPalette({{1, 2, 3, 0}});
    source.SetSize(3, 2);
    source.ScanLine(1)[2] = 5;
    source.Transparent = true;
    TBitmap copy(source);
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(copy.Palette(), source.Palette());
    EXPECT_EQ(copy.ScanLine(1)[2], 5);
    EXPECT_TRUE(copy.Transparent);
    EXPECT_NE(copy.ScanLine(0), source.ScanLine(0));
}

} // namespace
