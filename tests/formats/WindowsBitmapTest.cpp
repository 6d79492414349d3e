#include "formats/BMPGraphic.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"
#include "support/DibFileBuilder.h"
#include "support/PictureChecks.h"
#include "support/PictureRendering.h"
#include "support/PpmFile.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace {

using TRgb = std::array<uint8_t, 3>;

TBitmap LoadBytes(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    TBMPGraphic bitmap;
    bitmap.LoadFromStream(stream);
    return bitmap;
}

TRgb PixelAt(const std::vector<uint8_t>& rgb, int32_t width, int32_t x, int32_t y) {
    const size_t at = (size_t(y) * width + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

TRgb Pixel(const TBitmap& bitmap, int32_t x, int32_t y) {
    return PixelAt(RenderRgbTopDown(bitmap), bitmap.Width(), x, y);
}

// Files ImageMagick wrote, against ImageMagick's decode of each (make-fixtures.sh).
struct TFixture {
    const char* File;
    TPixelFormat Format;
    int Tolerance; // alpha blending rounds differently by at most 1
};

class WindowsBitmapFixture : public ::testing::TestWithParam<TFixture> {};

TEST_P(WindowsBitmapFixture, DecodesLikeImageMagick) {
    const TFixture& f = GetParam();
    const std::string dir = std::string(PELORAMA_TEST_DATA) + "/windows-bitmap/";
    TBMPGraphic bitmap;
    bitmap.LoadFromFile(dir + f.File);
    std::string expectedFile = f.File;
    expectedFile.replace(expectedFile.rfind('.'), 1, "-");
    const TPpmImage expected = ReadPpm(dir + expectedFile + ".ppm");
    ASSERT_EQ(bitmap.Width(), expected.Width);
    ASSERT_EQ(bitmap.Height(), expected.Height);
    EXPECT_EQ(bitmap.PixelFormat(), f.Format);
    EXPECT_LE(MaxSampleDifference(RenderRgbTopDown(bitmap), expected.Rgb), f.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, WindowsBitmapFixture,
                         ::testing::Values(TFixture{"pal1.bmp", TPixelFormat::pf1bit, 0},
                                           TFixture{"pal4.bmp", TPixelFormat::pf4bit, 0},
                                           TFixture{"pal8.bmp", TPixelFormat::pf8bit, 0},
                                           TFixture{"pal8rle.bmp", TPixelFormat::pf8bit, 0},
                                           TFixture{"rgb555.bmp", TPixelFormat::pf15bit, 0},
                                           TFixture{"rgb565.bmp", TPixelFormat::pf16bit, 0},
                                           TFixture{"rgb24.bmp", TPixelFormat::pf24bit, 0},
                                           TFixture{"os2pal4.bmp", TPixelFormat::pf4bit, 0},
                                           TFixture{"os2rgb24.bmp", TPixelFormat::pf24bit, 0},
                                           TFixture{"rgba32.bmp", TPixelFormat::pf32bit, 1}),
                         [](const auto& info) {
                             std::string name = info.param.File;
                             return name.substr(0, name.find('.'));
                         });

TEST(WindowsBitmap, TopDownRowsComeFirstInTheFile) {
    TDibSpec spec;
    spec.Width = 2;
    spec.Height = -2;
    spec.Bits = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    ASSERT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(Pixel(bitmap, 1, 0), (TRgb{6, 5, 4}));
    EXPECT_EQ(Pixel(bitmap, 0, 1), (TRgb{9, 8, 7}));
}

TEST(WindowsBitmap, TheOffsetToTheBitsIsHonoured) {
    TDibSpec spec;
    spec.Width = 3;
    spec.Height = 2; // bottom-up: the first row in the file is the bottom one
    spec.BitCount = 8;
    spec.ColorsUsed = 2;
    spec.Palette = {0x102030, 0x405060};
    spec.Bits = {1, 0, 1, 0, 0, 0, 0, 0};
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec, 7));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.Palette().size(), 2u);
    EXPECT_EQ(Pixel(bitmap, 0, 1), (TRgb{0x40, 0x50, 0x60}));
    EXPECT_EQ(Pixel(bitmap, 1, 1), (TRgb{0x10, 0x20, 0x30}));
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{0x10, 0x20, 0x30}));
}

TEST(WindowsBitmap, TwoBitIndicesLookUpTheirPalette) {
    TDibSpec spec;
    spec.Width = 5;
    spec.BitCount = 2;
    spec.Palette = {0x000001, 0x000002, 0x000003, 0x000004};
    spec.Bits = {0b00011011, 0b01000000, 0, 0}; // 0 1 2 3 1
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    const std::vector<uint8_t> rgb = RenderRgbTopDown(bitmap);
    const uint8_t blues[5] = {1, 2, 3, 4, 2};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(PixelAt(rgb, 5, x, 0), (TRgb{0, 0, blues[x]})) << x;
}

TEST(WindowsBitmap, OS2CoreHeaderHasThreeBytePaletteEntries) {
    TDibSpec spec;
    spec.HeaderSize = 12;
    spec.Width = 9;
    spec.BitCount = 1;
    spec.Palette = {0xFF0000, 0x0000FF};
    spec.Bits = {0b10000000, 0b10000000, 0, 0};
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{0, 0, 255}));
    EXPECT_EQ(Pixel(bitmap, 1, 0), (TRgb{255, 0, 0}));
    EXPECT_EQ(Pixel(bitmap, 8, 0), (TRgb{0, 0, 255}));
}

TEST(WindowsBitmap, ArbitraryMasksAreScaledToTheFullRange) {
    TDibSpec spec;
    spec.Width = 2;
    spec.BitCount = 16;
    spec.Compression = 3;
    spec.Masks = {0x30, 0x0E, 0x01};      // red 2 bits, green 3, blue 1
    spec.Bits = {0x1B, 0x00, 0x3F, 0x00}; // red 1, green 5, blue 1; then all full
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{85, 182, 255}));
    EXPECT_EQ(Pixel(bitmap, 1, 0), (TRgb{255, 255, 255}));
}

TEST(WindowsBitmap, AnAlphaMaskBlendsOverWhite) {
    TDibSpec spec;
    spec.HeaderSize = 124;
    spec.Width = 2;
    spec.BitCount = 32;
    spec.Compression = 3;
    spec.Masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    spec.Bits = {0, 0, 255, 128, 10, 20, 30, 255}; // half-covered red, opaque colour
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{255, 127, 127})); // (255 * 127 + 127) / 255
    EXPECT_EQ(Pixel(bitmap, 1, 0), (TRgb{30, 20, 10}));
}

TEST(WindowsBitmap, TheFourthByteWithoutAnAlphaMaskIsIgnored) {
    TDibSpec spec;
    spec.Width = 1;
    spec.BitCount = 32;
    spec.Bits = {10, 20, 30, 77};
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{30, 20, 10}));
}

TEST(WindowsBitmap, SixteenBitLayoutsKeepTheirFormat) {
    TDibSpec spec;
    spec.Width = 2;
    spec.BitCount = 16;
    spec.Bits = {0x1F, 0x7C, 0, 0}; // 5-5-5: red 31, green 0, blue 31
    TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf15bit);
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{255, 0, 255}));
    spec.Compression = 3;
    spec.Masks = {0xF800, 0x07E0, 0x001F};
    spec.Bits = {0xE0, 0x07, 0, 0}; // green 63
    bitmap = LoadBytes(BuildBitmapFile(spec));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf16bit);
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{0, 255, 0}));
}

TEST(WindowsBitmap, PaletteIndicesBeyondThePaletteShowBlack) {
    TDibSpec spec;
    spec.Width = 2;
    spec.BitCount = 8;
    spec.ColorsUsed = 2;
    spec.Palette = {0xFFFFFF, 0x808080};
    spec.Bits = {1, 200, 0, 0};
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{128, 128, 128}));
    EXPECT_EQ(Pixel(bitmap, 1, 0), (TRgb{0, 0, 0}));
}

// RLE8, bottom row first: a run longer than the row, end of line, a delta that skips the
// middle row, one pixel, end of bitmap.
TEST(WindowsBitmap, Rle8ClipsRunsAndLeavesSkippedPixelsAtEntryZero) {
    TDibSpec spec;
    spec.Width = 4;
    spec.Height = 3;
    spec.BitCount = 8;
    spec.Compression = 1;
    spec.Palette = {0x090909, 0x0000FF, 0x00FF00};
    spec.Bits = {6, 1, 0, 0, 0, 2, 2, 1, 1, 2, 0, 1};
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    const std::vector<uint8_t> rgb = RenderRgbTopDown(bitmap);
    const TRgb entry0{9, 9, 9}, blue{0, 0, 255}, green{0, 255, 0};
    const TRgb expected[3][4] = {{entry0, entry0, green, entry0},
                                 {entry0, entry0, entry0, entry0},
                                 {blue, blue, blue, blue}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(rgb, 4, x, y), expected[y][x]) << x << "," << y;
}

TEST(WindowsBitmap, Rle4AbsoluteStretchesOfOddLengthAndRuns) {
    TDibSpec spec;
    spec.Width = 6;
    spec.BitCount = 4;
    spec.Compression = 2;
    for (uint32_t i = 0; i < 16; ++i)
        spec.Palette.push_back(i);
    // Absolute 3 pixels (1 2 3, padded to a word), a run of 3 alternating 4 and 5, end.
    spec.Bits = {0, 3, 0x12, 0x30, 3, 0x45, 0, 1};
    const TBitmap bitmap = LoadBytes(BuildBitmapFile(spec));
    const std::vector<uint8_t> rgb = RenderRgbTopDown(bitmap);
    const uint8_t blues[6] = {1, 2, 3, 4, 5, 4};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(PixelAt(rgb, 6, x, 0)[2], blues[x]) << x;
}

TEST(WindowsBitmap, MissingRowsOfAShortFileStayBlack) {
    TDibSpec spec;
    spec.Width = 1;
    spec.Height = 4;
    spec.Bits = {50, 50, 50, 0, 60, 60, 60, 0, 70, 70, 70, 0, 80, 80, 80, 0};
    std::vector<uint8_t> file = BuildBitmapFile(spec);
    // Load a full picture first so the short one reuses its storage.
    TBMPGraphic bitmap;
    TMemoryStream full(file);
    bitmap.LoadFromStream(full);
    file.resize(file.size() - 6); // the top row and half of the one below
    TMemoryStream cut(file);
    bitmap.LoadFromStream(cut);
    EXPECT_EQ(Pixel(bitmap, 0, 3), (TRgb{50, 50, 50}));
    EXPECT_EQ(Pixel(bitmap, 0, 2), (TRgb{60, 60, 60}));
    EXPECT_EQ(Pixel(bitmap, 0, 1), (TRgb{0, 70, 70})); // blue 70, green 70, red missing
    EXPECT_EQ(Pixel(bitmap, 0, 0), (TRgb{0, 0, 0}));
    file.resize(file.size() - 6); // less than half the pixel data
    EXPECT_THROW(LoadBytes(file), EInvalidGraphic);
}

// Every prefix of valid files ends in a picture of the whole size or EInvalidGraphic,
// nothing else; both happen: pixel data cut short still show, a cut header is refused.
TEST(WindowsBitmap, EveryTruncationIsAPictureOrInvalidGraphic) {
    for (const char* name : {"pal8rle.bmp", "rgb565.bmp", "os2pal4.bmp", "rgba32.bmp"}) {
        const std::vector<uint8_t> file = ReadTestData(std::string("windows-bitmap/") + name);
        const size_t loaded = LoadEveryPrefix(file, [] { return std::make_unique<TBMPGraphic>(); });
        EXPECT_GT(loaded, 0u) << name;
        EXPECT_LT(loaded, file.size() / 2) << name;
    }
}

struct THostileHeader {
    const char* Name;
    int32_t Width;
    int32_t Height;
    uint16_t BitCount;
    uint32_t Compression;
    uint32_t HeaderSize;
};

class WindowsBitmapHostile : public ::testing::TestWithParam<THostileHeader> {};

TEST_P(WindowsBitmapHostile, IsRefusedAsInvalidGraphic) {
    const THostileHeader& h = GetParam();
    TDibSpec spec;
    spec.HeaderSize = h.HeaderSize;
    spec.Width = h.Width;
    spec.Height = h.Height;
    spec.BitCount = h.BitCount;
    spec.Compression = h.Compression;
    spec.Bits = {0, 1}; // an RLE end of bitmap; a few bytes of anything else
    EXPECT_THROW(LoadBytes(BuildBitmapFile(spec)), EInvalidGraphic);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, WindowsBitmapHostile,
    ::testing::Values(THostileHeader{"HugeWidth", INT32_MAX, 1, 24, 0, 40},
                      THostileHeader{"HugeBoth", 1 << 20, 1 << 20, 1, 0, 40},
                      THostileHeader{"NegativeWidth", -5, 1, 24, 0, 40},
                      THostileHeader{"ZeroHeight", 5, 0, 24, 0, 40},
                      THostileHeader{"MostNegativeHeight", 5, INT32_MIN, 24, 0, 40},
                      THostileHeader{"HugeRleFromTwoBytes", 60000, 60000, 8, 1, 40},
                      THostileHeader{"OddBitCount", 5, 5, 3, 0, 40},
                      THostileHeader{"RleOfTheWrongDepth", 5, 5, 24, 1, 40},
                      THostileHeader{"EmbeddedJpeg", 5, 5, 24, 4, 40},
                      THostileHeader{"HeaderTooSmall", 5, 5, 24, 0, 8},
                      THostileHeader{"HeaderTooLarge", 5, 5, 24, 0, 200}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(WindowsBitmap, AFileWithoutTheSignatureIsRefused) {
    TDibSpec spec;
    spec.Bits = {1, 2, 3, 0};
    std::vector<uint8_t> file = BuildBitmapFile(spec);
    file[1] = 'X';
    EXPECT_THROW(LoadBytes(file), EInvalidGraphic);
}

} // namespace
