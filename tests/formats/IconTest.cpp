#include "formats/Icon.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/DibFileBuilder.h"
#include "support/PictureChecks.h"
#include "support/PictureRendering.h"
#include "support/PpmFile.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using TRgb = std::array<uint8_t, 3>;

// One image of an icon file: its DIB (whose height counts the AND mask too) and mask rows.
struct TIconEntry {
    TDibSpec Dib;
    std::vector<uint8_t> AndMask;
    std::vector<uint8_t> Png; // stored instead of the DIB when not empty
};

std::vector<uint8_t> BuildIcon(const std::vector<TIconEntry>& entries, uint16_t type = 1) {
    std::vector<std::vector<uint8_t>> images;
    for (const TIconEntry& entry : entries) {
        if (!entry.Png.empty()) {
            images.push_back(entry.Png);
            continue;
        }
        TDibSpec dib = entry.Dib;
        dib.Height *= 2;
        std::vector<uint8_t> image = BuildDib(dib);
        image.insert(image.end(), entry.AndMask.begin(), entry.AndMask.end());
        images.push_back(image);
    }
    std::vector<uint8_t> out;
    AppendLE16(out, 0);
    AppendLE16(out, type);
    AppendLE16(out, uint32_t(entries.size()));
    uint32_t offset = 6 + 16 * uint32_t(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        // Sizes and depths in the directory are left zero, as many writers leave them.
        AppendLE32(out, 0);
        AppendLE32(out, 1);
        AppendLE32(out, uint32_t(images[i].size()));
        AppendLE32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

TIcon LoadBytes(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    TIcon icon;
    icon.LoadFromStream(stream);
    return icon;
}

TRgb Pixel(const TIcon& icon, int32_t x, int32_t y) {
    const std::vector<uint8_t> rgb = RenderRgbTopDown(icon);
    const size_t at = (size_t(y) * icon.Width() + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

// A Width x 1 24-bit image of one colour, with the given first mask byte.
TIconEntry SolidEntry(int32_t width, int32_t height, uint16_t bitCount, uint8_t blue) {
    TIconEntry entry;
    entry.Dib.Width = width;
    entry.Dib.Height = height;
    entry.Dib.BitCount = bitCount;
    if (bitCount <= 8) {
        entry.Dib.Palette.assign(size_t(1) << bitCount, blue);
        entry.Dib.Bits.assign(size_t((width * bitCount + 31) / 32 * 4 * height), 0);
    } else {
        const int bytes = bitCount / 8;
        const size_t rowBytes = size_t((width * bitCount + 31) / 32 * 4);
        entry.Dib.Bits.assign(rowBytes * height, 0);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                entry.Dib.Bits[y * rowBytes + x * bytes] = blue;
                if (bytes == 4)
                    entry.Dib.Bits[y * rowBytes + x * 4 + 3] = 255;
            }
    }
    entry.AndMask.assign(size_t((width + 31) / 32 * 4 * height), 0);
    return entry;
}

TEST(Icon, ShowsTheLargestImageThenTheDeepest) {
    const TIcon icon = LoadBytes(
        BuildIcon({SolidEntry(2, 2, 24, 1), SolidEntry(3, 3, 4, 2), SolidEntry(3, 3, 8, 3),
                   SolidEntry(3, 3, 1, 4), SolidEntry(1, 1, 32, 5)}));
    EXPECT_EQ(icon.Width(), 3);
    EXPECT_EQ(icon.Height(), 3);
    EXPECT_EQ(Pixel(icon, 2, 2), (TRgb{0, 0, 3}));
}

TEST(Icon, AndMaskedPixelsShowTheCanvas) {
    TIconEntry entry = SolidEntry(2, 2, 24, 200);
    entry.AndMask[0] = 0b01000000; // bottom row, second pixel
    const TIcon icon = LoadBytes(BuildIcon({entry}));
    EXPECT_EQ(Pixel(icon, 0, 1), (TRgb{0, 0, 200}));
    EXPECT_EQ(Pixel(icon, 1, 1), (TRgb{255, 255, 255}));
    EXPECT_EQ(Pixel(icon, 1, 0), (TRgb{0, 0, 200}));
}

TEST(Icon, ThirtyTwoBitImagesBlendByTheirAlphaAndIgnoreTheMask) {
    TIconEntry entry = SolidEntry(2, 1, 32, 0);
    entry.Dib.Bits = {0, 0, 255, 128, 0, 0, 255, 0}; // half-covered red, invisible red
    entry.AndMask[0] = 0xFF;
    const TIcon icon = LoadBytes(BuildIcon({entry}));
    EXPECT_EQ(Pixel(icon, 0, 0), (TRgb{255, 127, 127}));
    EXPECT_EQ(Pixel(icon, 1, 0), (TRgb{255, 255, 255}));
}

TEST(Icon, ThirtyTwoBitImagesWithoutAlphaUseTheMask) {
    TIconEntry entry = SolidEntry(2, 1, 32, 0);
    entry.Dib.Bits = {10, 20, 30, 0, 40, 50, 60, 0};
    entry.AndMask[0] = 0b01000000;
    const TIcon icon = LoadBytes(BuildIcon({entry}));
    EXPECT_EQ(Pixel(icon, 0, 0), (TRgb{30, 20, 10}));
    EXPECT_EQ(Pixel(icon, 1, 0), (TRgb{255, 255, 255}));
}

TEST(Icon, DrawBlendsOverWhateverTheCanvasHolds) {
    TIconEntry entry = SolidEntry(1, 1, 32, 0);
    entry.Dib.Bits = {0, 0, 255, 128};
    const TIcon icon = LoadBytes(BuildIcon({entry}));
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(3, 2);
    canvas.Fill({0, 0, 0});
    icon.Draw(canvas, 2, 1);
    icon.Draw(canvas, 5, 5); // outside: nothing drawn
    const uint8_t* p = canvas.ScanLine(1) + 2 * 3;
    EXPECT_EQ((TRgb{p[2], p[1], p[0]}), (TRgb{128, 0, 0}));
    EXPECT_EQ(canvas.ScanLine(0)[6], 0);
}

// The largest image is a PNG cut after its header: the PNG reader refuses it.
TEST(Icon, ALargestImageStoredAsPngGoesToThePngReader) {
    TIconEntry png;
    png.Png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
               0,    0,   1,   0,   0,    0,    1,    0,    8, 6, 0, 0,  0,   0,   0,   0};
    try {
        LoadBytes(BuildIcon({SolidEntry(16, 16, 8, 1), png}));
        FAIL() << "a PNG image was accepted";
    } catch (const EInvalidGraphic& error) {
        EXPECT_EQ(error.Message(), "Stream read error in PNG file.");
    }
}

TEST(Icon, CursorsAreReadLikeIcons) {
    const TIcon icon = LoadBytes(BuildIcon({SolidEntry(2, 2, 24, 9)}, 2));
    EXPECT_EQ(Pixel(icon, 0, 0), (TRgb{0, 0, 9}));
}

// Found by fuzz_icon: a PNG claiming 4294967295 x 4294967071 pixels beside a 1 x 1 image.
TEST(Icon, ImagesNoPictureCouldHoldArePassedOver) {
    TIcon icon;
    icon.LoadFromFile(std::string(PELORAMA_TEST_DATA) +
                      "/windows-bitmap/crash-icon-png-size-overflow.ico");
    EXPECT_EQ(icon.Width(), 1);
    EXPECT_EQ(Pixel(icon, 0, 0), (TRgb{30, 20, 10}));
}

TEST(Icon, BrokenDirectoriesAreRefused) {
    std::vector<uint8_t> good = BuildIcon({SolidEntry(2, 2, 24, 9)});
    std::vector<uint8_t> wrongType = good;
    wrongType[2] = 3;
    std::vector<uint8_t> noImages = good;
    noImages[4] = 0;
    std::vector<uint8_t> offsetPastTheEnd = good;
    offsetPastTheEnd[6 + 12 + 3] = 0x7F;
    std::vector<uint8_t> manyEntriesShortFile = good;
    manyEntriesShortFile[4] = 0xFF;
    manyEntriesShortFile[5] = 0xFF;
    for (const auto& bytes : {wrongType, noImages, offsetPastTheEnd, manyEntriesShortFile})
        EXPECT_THROW(LoadBytes(bytes), EInvalidGraphic);
}

struct TIconFixture {
    const char* File;
    int Tolerance; // alpha blending rounds differently by at most 1
};

class IconFixture : public ::testing::TestWithParam<TIconFixture> {};

TEST_P(IconFixture, DecodesLikeImageMagick) {
    const std::string dir = std::string(PELORAMA_TEST_DATA) + "/windows-bitmap/";
    std::string name = GetParam().File;
    TIcon icon;
    icon.LoadFromFile(dir + name);
    const TPpmImage expected = ReadPpm(dir + name.replace(name.rfind('.'), 1, "-") + ".ppm");
    ASSERT_EQ(icon.Width(), expected.Width);
    ASSERT_EQ(icon.Height(), expected.Height);
    EXPECT_LE(MaxSampleDifference(RenderRgbTopDown(icon), expected.Rgb), GetParam().Tolerance);
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, IconFixture,
                         ::testing::Values(TIconFixture{"pal4.ico", 0},
                                           TIconFixture{"rgba32.ico", 1}),
                         [](const auto& info) {
                             std::string name = info.param.File;
                             return name.substr(0, name.find('.'));
                         });

// Pixel data cut short still show (what is missing stays 0); a cut header is refused.
TEST(Icon, EveryTruncationIsAPictureOrInvalidGraphic) {
    for (const char* name : {"pal4.ico", "rgba32.ico"}) {
        const std::vector<uint8_t> file = ReadTestData(std::string("windows-bitmap/") + name);
        const size_t loaded = LoadEveryPrefix(file, [] { return std::make_unique<TIcon>(); });
        EXPECT_GT(loaded, 0u) << name;
        EXPECT_LT(loaded, file.size() / 2) << name;
    }
}

} // namespace
