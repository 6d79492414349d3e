#include "raster/FastBMP.h"

#include "PixelTestSupport.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/MemoryDeviceContext.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(FastBMP, StartsEmptyWithATopDownDibHeader) {
    TFastBMP buffer;
    EXPECT_EQ(buffer.Width, 0);
    EXPECT_EQ(buffer.Height, 0);
    EXPECT_EQ(buffer.PixelData, nullptr);
    EXPECT_TRUE(buffer.RowTable.empty());
    EXPECT_EQ(buffer.ColorCount(), 0);
    EXPECT_EQ(buffer.DibInfo.biSize, 40u);
    EXPECT_EQ(buffer.DibInfo.biBitCount, 24);
    EXPECT_EQ(buffer.DibInfo.biPlanes, 1);
    EXPECT_EQ(buffer.DibInfo.biCompression, 0u);
    buffer.SetSize(7, 3);
    EXPECT_EQ(buffer.DibInfo.biWidth, 7);
    EXPECT_EQ(buffer.DibInfo.biHeight, -3);
}

TEST(FastBMP, StrideIsThreeBytesPerPixelRoundedUpToFour) {
    struct Case {
        int32_t width, stride, padding;
    };
    for (const Case c : {Case{1, 4, 1}, Case{2, 8, 2}, Case{3, 12, 3}, Case{4, 12, 0},
                         Case{5, 16, 1}, Case{1001, 3004, 1}}) {
        SCOPED_TRACE(c.width);
        TFastBMP buffer;
        buffer.SetSize(c.width, 3);
        EXPECT_EQ(buffer.RowStride, c.stride);
        EXPECT_EQ(buffer.RowPadding, c.padding);
        EXPECT_EQ(buffer.RowPadding, buffer.RowStride - 3 * buffer.Width);
        EXPECT_EQ(buffer.ByteSize, c.stride * 3);
        ASSERT_EQ(buffer.RowTable.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(buffer.RowTable[i], buffer.PixelData + (2 - i) * c.stride);
            EXPECT_EQ(buffer.TopRow(i), buffer.RowTable[2 - i]);
        }
    }
}

TEST(FastBMP, SetSizeKeepsPixelsOnlyWhenTheSizeIsUnchanged) {
    TFastBMP buffer;
    buffer.SetSize(5, 4);
    FillNoise(buffer, 1);
    const std::vector<uint8_t> before = PixelBytes(buffer);
    buffer.SetSize(5, 4);
    EXPECT_EQ(PixelBytes(buffer), before);

    buffer.SetSize(4, 5); // the same byte count, still a new picture
    EXPECT_EQ(PixelBytes(buffer), std::vector<uint8_t>(4 * 5 * 3, 0));
    buffer.SetSize(0, 0);
    EXPECT_EQ(buffer.PixelData, nullptr);
    EXPECT_EQ(buffer.ByteSize, 0);
    EXPECT_EQ(buffer.ColorCount(), 0);
}

TEST(FastBMP, SetSizeForAWriterOfEveryPixelSkipsClearingStorageItKeeps) {
    TFastBMP buffer;
    buffer.SetSize(5, 4);
    FillNoise(buffer, 4);
    const uint8_t* storage = buffer.PixelData;
    const std::vector<uint8_t> before(storage, storage + 4 * 5 * 3);
    buffer.SetSize(4, 5, TPictureMemory::TFill::Unset); // 60 of the 64 bytes it holds
    ASSERT_EQ(buffer.PixelData, storage);
    EXPECT_EQ(std::vector<uint8_t>(storage, storage + buffer.ByteSize), before);
    buffer.SetSize(5, 4, TPictureMemory::TFill::Zeros);
    EXPECT_EQ(PixelBytes(buffer), std::vector<uint8_t>(5 * 4 * 3, 0));
}

TEST(FastBMP, RefusedSizesRaiseAndLeaveTheBufferAsItWas) {
    TFastBMP buffer;
    buffer.SetSize(3, 2);
    FillNoise(buffer, 2);
    const std::vector<uint8_t> before = PixelBytes(buffer);
    EXPECT_THROW(buffer.SetSize(-1, 2), EInvalidGraphic);
    EXPECT_THROW(buffer.SetSize(100000, 100000), EInvalidGraphic);
    EXPECT_EQ(buffer.Width, 3);
    EXPECT_EQ(buffer.Height, 2);
    EXPECT_EQ(PixelBytes(buffer), before);
}

TEST(FastBMP, ColorCountCountsDistinctColoursAndSkipsPadding) {
    TFastBMP buffer;
    buffer.SetSize(100, 100);
    EXPECT_EQ(buffer.ByteSize, 30000);
    EXPECT_EQ(buffer.ColorCount(), 1);

    buffer.SetSize(5, 2);
    FillPadding(buffer, 0x77); // a colour of its own if the padding were counted
    // Colours that share a byte of the presence set, the extremes, and a repeat.
    const TBgr colours[] = {{0, 0, 0},    {1, 0, 0},         {7, 0, 0},       {8, 0, 0},
                            {0, 1, 0},    {0, 0, 1},         {255, 255, 255}, {1, 0, 0},
                            {0, 0, 0x77}, {0x77, 0x77, 0x77}};
    for (int i = 0; i < 10; ++i)
        SetPixelAt(buffer, i % 5, i / 5, colours[i]);
    EXPECT_EQ(buffer.ColorCount(), 9);

    buffer.SetSize(1, 3); // only last pixels of rows, the top one at the end of the storage
    SetPixelAt(buffer, 0, 1, {1, 2, 3});
    SetPixelAt(buffer, 0, 2, {1, 2, 4});
    EXPECT_EQ(buffer.ColorCount(), 3);
}

TEST(FastBMP, ColorCountOfEveryColourOnce) {
    TFastBMP buffer;
    buffer.SetSize(4096, 4096);
    uint32_t key = 0;
    for (int32_t y = 0; y < 4096; ++y)
        for (int32_t x = 0; x < 4096; ++x, ++key)
            SetPixelAt(buffer, x, y, {uint8_t(key), uint8_t(key >> 8), uint8_t(key >> 16)});
    EXPECT_EQ(buffer.ColorCount(), 1 << 24);
}

TEST(FastBMP, AssignPixelsCopiesEverythingAndAnEmptySourceEmpties) {
    TFastBMP source, copy;
    source.SetSize(5, 3);
    FillNoise(source, 3);
    copy.SetSize(9, 9);
    copy.AssignPixels(source);
    EXPECT_EQ(copy.Width, 5);
    EXPECT_EQ(copy.Height, 3);
    EXPECT_EQ(PixelBytes(copy), PixelBytes(source));
    copy.AssignPixels(copy);
    EXPECT_EQ(PixelBytes(copy), PixelBytes(source));

    const TFastBMP empty;
    copy.AssignPixels(empty);
    EXPECT_EQ(copy.Width, 0);
    EXPECT_EQ(copy.Height, 0);
    EXPECT_EQ(copy.PixelData, nullptr);
}

// --- CopyBlock -------------------------------------------------------------------------

// The block copy as the clipping rules define it, one pixel at a time through a snapshot.
void ReferenceCopy(const std::vector<uint8_t>& source, int32_t sw, int32_t sh, TFastRGB& dst,
                   int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx, int32_t sy) {
    for (int32_t k = 0; k < h; ++k)
        for (int32_t i = 0; i < w; ++i) {
            const int32_t fx = sx + i, fy = sy + k, tx = dx + i, ty = dy + k;
            if (fx < 0 || fy < 0 || fx >= sw || fy >= sh || tx < 0 || ty < 0 || tx >= dst.Width ||
                ty >= dst.Height)
                continue;
            const uint8_t* p = &source[(size_t(fy) * sw + fx) * 3];
            SetPixelAt(dst, tx, ty, {p[0], p[1], p[2]});
        }
}

TEST(FastBMP, CopyBlockClipsAgainstBothBuffers) {
    struct Case {
        int32_t dx, dy, w, h, sx, sy;
    };
    const Case cases[] = {{0, 0, 6, 5, 0, 0},          {-2, -1, 4, 4, 0, 0},  {1, 2, 10, 10, 3, 1},
                          {3, 3, 5, 5, -2, -1},        {-3, 2, 9, 9, -1, -4}, {2, 1, 3, 3, 5, 4},
                          {6, 0, 3, 3, 0, 0},          {0, 0, 0, 3, 0, 0},    {0, 0, 3, -1, 0, 0},
                          {-100, -100, 200, 200, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.dx << "," << c.dy << " " << c.w << "x" << c.h
                                          << " from " << c.sx << "," << c.sy);
        TFastBMP source, target, expected;
        source.SetSize(6, 5);
        FillNoise(source, 4);
        target.SetSize(7, 4);
        FillNoise(target, 5);
        FillPadding(target, 0xEE);
        expected.AssignPixels(target);
        ReferenceCopy(PixelBytes(source), 6, 5, expected, c.dx, c.dy, c.w, c.h, c.sx, c.sy);
        source.CopyBlock(target, c.dx, c.dy, c.w, c.h, c.sx, c.sy);
        EXPECT_EQ(PixelBytes(target), PixelBytes(expected));
        EXPECT_TRUE(PaddingIs(target, 0xEE));
    }
}

TEST(FastBMP, CopyBlockFromPastTheLastColumnOrRowCopiesNothing) {
    TFastBMP source, target;
    source.SetSize(4, 4);
    FillNoise(source, 6);
    target.SetSize(4, 4);
    source.CopyBlock(target, 0, 0, 4, 4, 4, 0);
    source.CopyBlock(target, 0, 0, 4, 4, 0, 4);
    EXPECT_EQ(target.ColorCount(), 1);
}

TEST(FastBMP, CopyBlockWithinOneBufferActsAsThroughATemporary) {
    struct Case {
        int32_t dx, dy, sx, sy;
    };
    for (const Case c : {Case{1, 1, 0, 0}, Case{0, 0, 1, 1}, Case{2, 0, 0, 0}, Case{0, 0, 2, 0},
                         Case{0, 2, 0, 0}, Case{0, 0, 0, 2}, Case{1, 0, 0, 1}, Case{0, 1, 1, 0}}) {
        SCOPED_TRACE(::testing::Message()
                     << c.dx << "," << c.dy << " from " << c.sx << "," << c.sy);
        TFastBMP buffer, expected;
        buffer.SetSize(5, 5);
        FillNoise(buffer, 7);
        expected.AssignPixels(buffer);
        ReferenceCopy(PixelBytes(buffer), 5, 5, expected, c.dx, c.dy, 4, 4, c.sx, c.sy);
        buffer.CopyBlock(buffer, c.dx, c.dy, 4, 4, c.sx, c.sy);
        EXPECT_EQ(PixelBytes(buffer), PixelBytes(expected));
    }
}

TEST(FastBMP, FillTiledRepeatsThePictureFromTheBottomLeft) {
    TFastBMP tile, target;
    tile.SetSize(3, 2);
    FillNoise(tile, 8);
    for (const auto& [w, h] :
         {std::pair{7, 5}, std::pair{2, 1}, std::pair{3, 2}, std::pair{13, 9}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h);
        target.SetSize(w, h);
        FillPadding(target, 0x5A);
        tile.FillTiled(target);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                ASSERT_EQ(PixelAt(target, x, y), PixelAt(tile, x % 3, y % 2)) << x << "," << y;
        EXPECT_TRUE(PaddingIs(target, 0x5A));
    }
    TFastBMP empty;
    target.SetSize(2, 2);
    empty.FillTiled(target);
    EXPECT_EQ(target.ColorCount(), 1);
}

// --- LoadFromBitmapHandle ----------------------------------------------------------------

struct BitmapCase {
    const char* Name;
    TPixelFormat Format;
    TLogPalette Palette;
    // The two rows of a 3 x 2 bitmap, top row first, in the bitmap's own format.
    std::vector<uint8_t> Top, Bottom;
    std::array<TBgr, 3> TopBgr, BottomBgr;
};

std::vector<BitmapCase> BitmapCases() {
    const TLogPalette palette = {{10, 20, 30, 0}, {200, 100, 50, 0}, {1, 2, 3, 0}};
    const TBgr i0{30, 20, 10}, i1{50, 100, 200}, i2{3, 2, 1};
    return {
        {"1 bit", TPixelFormat::pf1bit, palette, {0xA0}, {0x40}, {i1, i0, i1}, {i0, i1, i0}},
        {"4 bit",
         TPixelFormat::pf4bit,
         palette,
         {0x12, 0x00},
         {0x21, 0x10},
         {i1, i2, i0},
         {i2, i1, i1}},
        {"8 bit", TPixelFormat::pf8bit, palette, {2, 0, 1}, {1, 1, 2}, {i2, i0, i1}, {i1, i1, i2}},
        // 5-5-5: red 31, green 16, blue 1; five bits widen by repeating their top bits.
        {"15 bit",
         TPixelFormat::pf15bit,
         {},
         {0x00, 0x7C, 0x00, 0x02, 0x01, 0x00},
         {0xFF, 0x7F, 0x00, 0x00, 0x00, 0x00},
         {TBgr{0, 0, 255}, TBgr{0, 132, 0}, TBgr{8, 0, 0}},
         {TBgr{255, 255, 255}, TBgr{0, 0, 0}, TBgr{0, 0, 0}}},
        // 5-6-5: red 31, green 63, green 32.
        {"16 bit",
         TPixelFormat::pf16bit,
         {},
         {0x00, 0xF8, 0xE0, 0x07, 0x00, 0x04},
         {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00},
         {TBgr{0, 0, 255}, TBgr{0, 255, 0}, TBgr{0, 130, 0}},
         {TBgr{255, 0, 0}, TBgr{255, 255, 255}, TBgr{0, 0, 0}}},
        {"24 bit",
         TPixelFormat::pf24bit,
         {},
         {1, 2, 3, 4, 5, 6, 7, 8, 9},
         {10, 11, 12, 13, 14, 15, 16, 17, 18},
         {TBgr{1, 2, 3}, TBgr{4, 5, 6}, TBgr{7, 8, 9}},
         {TBgr{10, 11, 12}, TBgr{13, 14, 15}, TBgr{16, 17, 18}}},
        // Every alpha byte 0: an unused fourth byte, drawn opaque.
        {"32 bit, no alpha",
         TPixelFormat::pf32bit,
         {},
         {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0},
         {10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0},
         {TBgr{1, 2, 3}, TBgr{4, 5, 6}, TBgr{7, 8, 9}},
         {TBgr{10, 11, 12}, TBgr{13, 14, 15}, TBgr{16, 17, 18}}},
        // Blended over white: (0 * 128 + 255 * 127) / 255 rounds to 127.
        {"32 bit, alpha",
         TPixelFormat::pf32bit,
         {},
         {0, 0, 0, 255, 0, 0, 0, 128, 0, 0, 0, 0},
         {0, 0, 255, 255, 255, 0, 0, 255, 9, 9, 9, 255},
         {TBgr{0, 0, 0}, TBgr{127, 127, 127}, TBgr{255, 255, 255}},
         {TBgr{0, 0, 255}, TBgr{255, 0, 0}, TBgr{9, 9, 9}}},
    };
}

TEST(FastBMP, LoadFromBitmapHandleConvertsEveryPixelFormatAndPutsTheTopRowLast) {
    for (const BitmapCase& c : BitmapCases()) {
        SCOPED_TRACE(c.Name);
        TBitmap bitmap;
        bitmap.SetPixelFormat(c.Format);
        if (!c.Palette.empty())
            bitmap.SetPalette(c.Palette);
        bitmap.SetSize(3, 2);
        std::memcpy(bitmap.ScanLine(0), c.Top.data(), c.Top.size());
        std::memcpy(bitmap.ScanLine(1), c.Bottom.data(), c.Bottom.size());
        TFastBMP buffer;
        buffer.LoadFromBitmapHandle(bitmap);
        ASSERT_EQ(buffer.Width, 3);
        ASSERT_EQ(buffer.Height, 2);
        for (int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(PixelAt(buffer, x, 1), c.TopBgr[x]) << "top row, column " << x;
            EXPECT_EQ(PixelAt(buffer, x, 0), c.BottomBgr[x]) << "bottom row, column " << x;
        }
        EXPECT_TRUE(PaddingIs(buffer, 0));
    }
}

TEST(FastBMP, LoadFromBitmapHandleReusesStorageOfTheSameSize) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(5, 4);
    bitmap.Fill({1, 2, 3});
    TFastBMP buffer;
    buffer.LoadFromBitmapHandle(bitmap);
    const uint8_t* storage = buffer.PixelData;
    bitmap.Fill({4, 5, 6});
    buffer.LoadFromBitmapHandle(bitmap);
    EXPECT_EQ(buffer.PixelData, storage);
    EXPECT_EQ(PixelAt(buffer, 4, 3), (TBgr{6, 5, 4}));

    TBitmap empty;
    buffer.LoadFromBitmapHandle(empty);
    EXPECT_EQ(buffer.Width, 0);
    EXPECT_EQ(buffer.PixelData, nullptr);
}

// --- Drawing -------------------------------------------------------------------------------

TColorRGB Rgb(const TBgr& bgr) {
    return {bgr[2], bgr[1], bgr[0]};
}

TEST(FastBMP, DrawPutsTheTopRowAtTheTopOfTheTarget) {
    TFastBMP buffer;
    buffer.SetSize(3, 2);
    FillNoise(buffer, 9);
    TMemoryDeviceContext dc(6, 5);
    buffer.Draw(dc, 1, 2);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(dc.Pixel(1 + x, 2 + y), Rgb(PixelAt(buffer, x, 1 - y)));
    EXPECT_EQ(dc.Pixel(0, 2), TColorRGB{});
    EXPECT_EQ(dc.Pixel(4, 3), TColorRGB{});
    EXPECT_EQ(dc.Pixel(1, 4), TColorRGB{});
}

TEST(FastBMP, DrawPartTakesItsSourceInBufferTerms) {
    TFastBMP buffer;
    buffer.SetSize(4, 4);
    FillNoise(buffer, 10);
    TMemoryDeviceContext dc(2, 2);
    buffer.DrawPart(dc, 0, 0, 2, 2, 1, 0); // columns 1..2 of the two bottom rows
    EXPECT_EQ(dc.Pixel(0, 0), Rgb(PixelAt(buffer, 1, 1)));
    EXPECT_EQ(dc.Pixel(1, 0), Rgb(PixelAt(buffer, 2, 1)));
    EXPECT_EQ(dc.Pixel(0, 1), Rgb(PixelAt(buffer, 1, 0)));
    EXPECT_EQ(dc.Pixel(1, 1), Rgb(PixelAt(buffer, 2, 0)));
}

TEST(FastBMP, DrawStretchedUsesThePlainStretchMode) {
    TFastBMP buffer;
    buffer.SetSize(2, 2);
    FillNoise(buffer, 11);
    TMemoryDeviceContext dc(4, 4);
    buffer.DrawStretched(dc, 0, 0, 4, 4);
    EXPECT_EQ(dc.StretchBltMode(), COLORONCOLOR);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(dc.Pixel(x, y), Rgb(PixelAt(buffer, x / 2, 1 - y / 2)));

    TMemoryDeviceContext part(2, 2);
    buffer.DrawPartStretched(part, 0, 0, 2, 2, 1, 1, 1, 1); // the top-right pixel, doubled
    EXPECT_EQ(part.StretchBltMode(), COLORONCOLOR);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x)
            EXPECT_EQ(part.Pixel(x, y), Rgb(PixelAt(buffer, 1, 1)));
}

TEST(FastBMP, DrawTiledStartsEveryTileAtTheTopLeftCorner) {
    TFastBMP buffer;
    buffer.SetSize(2, 3);
    FillNoise(buffer, 12);
    TMemoryDeviceContext dc(7, 9);
    buffer.DrawTiled(dc, 1, 1, 5, 7);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 5; ++x)
            ASSERT_EQ(dc.Pixel(1 + x, 1 + y), Rgb(PixelAt(buffer, x % 2, 2 - y % 3)))
                << x << "," << y;
    for (int32_t x = 0; x < 7; ++x) {
        EXPECT_EQ(dc.Pixel(x, 0), TColorRGB{});
        EXPECT_EQ(dc.Pixel(x, 8), TColorRGB{}) << "below the rectangle";
    }
    for (int32_t y = 0; y < 9; ++y) {
        EXPECT_EQ(dc.Pixel(0, y), TColorRGB{});
        EXPECT_EQ(dc.Pixel(6, y), TColorRGB{}) << "right of the rectangle";
    }
}

TEST(FastBMP, AnEmptyBufferDrawsNothing) {
    TFastBMP empty;
    TMemoryDeviceContext dc(3, 3);
    dc.SetPixel(1, 1, {9, 9, 9});
    empty.Draw(dc, 0, 0);
    empty.DrawStretched(dc, 0, 0, 3, 3);
    empty.DrawTiled(dc, 0, 0, 3, 3);
    EXPECT_EQ(dc.Pixel(1, 1), (TColorRGB{9, 9, 9}));
}

} // namespace
