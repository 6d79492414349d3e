#include "formats/PSPGraphic.h"

#include "platform/Streams.h"
#include "support/Conformance.h"
#include "support/PSPFileBuilder.h"
#include "support/PictureRendering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

void Load(TPSPGraphic& picture, const TBytes& file) {
    TMemoryStream stream(file.data(), file.size());
    picture.LoadFromStream(stream);
}

TBytes Rendered(const TBytes& file) {
    TPSPGraphic picture;
    Load(picture, file);
    return RenderRgbTopDown(picture);
}

std::string LoadError(const TBytes& file) {
    TPSPGraphic picture;
    try {
        Load(picture, file);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "loaded";
}

// A 7 x 3 picture with runs and single pixels in every plane, so that run-length and LZ77
// channels really are packed.
constexpr uint32_t PictureWidth = 7;
constexpr uint32_t PictureHeight = 3;

TBytes Plane(int channel) {
    TBytes plane;
    for (uint32_t y = 0; y < PictureHeight; ++y)
        for (uint32_t x = 0; x < PictureWidth; ++x)
            plane.push_back(x < 4 ? uint8_t(40 * channel + y) : uint8_t(x * 31 + y * 7 + channel));
    return plane;
}

TPSPLayer RgbLayer(uint8_t type = 0) {
    return {type, {{1, Plane(1)}, {2, Plane(2)}, {3, Plane(3)}}};
}

TPSPFile RgbFile(uint16_t version, uint16_t compression) {
    TPSPFile f;
    f.MajorVersion = version;
    f.Compression = compression;
    f.Width = PictureWidth;
    f.Height = PictureHeight;
    f.Layers = {RgbLayer()};
    return f;
}

// Red, green, blue per pixel from the three planes.
TBytes ExpectedRgb() {
    const TBytes r = Plane(1), g = Plane(2), b = Plane(3);
    TBytes rgb;
    for (size_t i = 0; i < r.size(); ++i)
        rgb.insert(rgb.end(), {r[i], g[i], b[i]});
    return rgb;
}

TEST(PSPGraphic, CanLoadChecksSignatureIgnoringCaseAndVersionAndKeepsPosition) {
    TBytes file = BuildPSP(RgbFile(5, 0));
    TMemoryStream good(file.data(), file.size());
    EXPECT_TRUE(TPSPGraphic::CanLoad(good));
    EXPECT_EQ(good.Position(), 0);

    TBytes lower = file;
    lower[0] = 'p';
    lower[6] = 's';
    TMemoryStream lowerStream(lower.data(), lower.size());
    EXPECT_TRUE(TPSPGraphic::CanLoad(lowerStream));

    TBytes version2 = file;
    version2[32] = 2;
    TMemoryStream version2Stream(version2.data(), version2.size());
    EXPECT_FALSE(TPSPGraphic::CanLoad(version2Stream));

    const TBytes headerOnly(file.begin(), file.begin() + 36);
    TMemoryStream headerStream(headerOnly.data(), headerOnly.size());
    EXPECT_FALSE(TPSPGraphic::CanLoad(headerStream));
    EXPECT_EQ(headerStream.Position(), 0);
}

TEST(PSPGraphic, PropertiesOfA24BitFileWithResolutionPerCentimetre) {
    TPSPFile f = RgbFile(5, 2);
    f.Resolution = 100;
    f.ResolutionUnit = 2;
    const TBytes file = BuildPSP(f);
    TMemoryStream stream(file.data(), file.size());
    TPSPGraphic picture;
    ASSERT_TRUE(picture.ReadImageProperties(stream, 0));
    const TImageProperties& p = picture.ImageProperties;
    EXPECT_EQ(p.Version, 5u);
    EXPECT_EQ(p.Width, 7);
    EXPECT_EQ(p.Height, 3);
    EXPECT_EQ(p.ColorScheme, psRGB);
    EXPECT_EQ(p.BitsPerSample, 8);
    EXPECT_EQ(p.SamplesPerPixel, 3);
    EXPECT_EQ(p.BitsPerPixel, 24);
    EXPECT_EQ(p.Compression, ctLZ77);
    EXPECT_FLOAT_EQ(p.XResolution, 254);
    EXPECT_FLOAT_EQ(p.YResolution, 254);
}

TEST(PSPGraphic, ResolutionPerInchIsKept) {
    TPSPFile f = RgbFile(3, 0);
    f.Resolution = 300;
    const TBytes file = BuildPSP(f);
    TMemoryStream stream(file.data(), file.size());
    TPSPGraphic picture;
    ASSERT_TRUE(picture.ReadImageProperties(stream, 0));
    EXPECT_EQ(picture.ImageProperties.Version, 3u);
    EXPECT_FLOAT_EQ(picture.ImageProperties.XResolution, 300);
}

// The same 24-bit picture in both layouts and every compression the reader decodes.
TEST(PSPGraphic, Version3AndVersion5LoadAlikeInEveryCompression) {
    for (uint16_t version : {3, 4, 5})
        for (uint16_t compression : {0, 1, 2}) {
            TPSPGraphic picture;
            Load(picture, BuildPSP(RgbFile(version, compression)));
            EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
            EXPECT_EQ(RenderRgbTopDown(picture), ExpectedRgb())
                << "version " << version << ", compression " << compression;
        }
}

TEST(PSPGraphic, RunLengthAndLZ77ChannelsArePacked) {
    const TBytes plane = Plane(1);
    EXPECT_LT(PackPSPRunLength(plane).size(), plane.size());
    EXPECT_LT(BuildPSP(RgbFile(5, 1)).size(), BuildPSP(RgbFile(5, 0)).size());
}

// A fourth channel (the composite) beside red, green and blue is the layer's transparency.
TEST(PSPGraphic, FourChannelsBecomeA32BitBitmapWithAlpha) {
    for (uint16_t version : {3, 5}) {
        TPSPFile f = RgbFile(version, 2);
        f.Width = 2;
        f.Height = 1;
        f.Layers = {{0, {{1, {200, 10}}, {2, {100, 20}}, {3, {50, 30}}, {0, {255, 0}}}}};
        TPSPGraphic picture;
        Load(picture, BuildPSP(f));
        ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf32bit) << version;
        const uint8_t* row = picture.ScanLine(0);
        EXPECT_EQ(TBytes(row, row + 8), (TBytes{50, 100, 200, 255, 30, 20, 10, 0})) << version;
    }
}

// The palette block stores blue, green, red and a reserved byte per entry.
TEST(PSPGraphic, PalettisedFileShowsThePaletteBlocksColours) {
    for (uint16_t version : {3, 5}) {
        TPSPFile f;
        f.MajorVersion = version;
        f.Compression = 1;
        f.BitDepth = 8;
        f.Width = 3;
        f.Height = 2;
        f.Palette.assign(256, 0);
        f.Palette[0] = 0x102030;
        f.Palette[7] = 0xFF8000;
        f.Palette[255] = 0x00FF7F;
        f.Layers = {{0, {{0, {7, 7, 255, 0, 255, 7}}}}};
        TPSPGraphic picture;
        Load(picture, BuildPSP(f));
        EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
        EXPECT_EQ(picture.Palette().size(), 256u);
        EXPECT_EQ(RenderRgbTopDown(picture), (TBytes{255, 128, 0, 255, 128, 0, 0, 255, 127, 16, 32,
                                                     48, 0, 255, 127, 255, 128, 0}))
            << version;
    }
}

TEST(PSPGraphic, PaletteOfMoreThan256EntriesUsesTheFirst256) {
    TPSPFile f;
    f.BitDepth = 8;
    f.Palette.assign(300, 0xABCDEF);
    f.Layers = {{0, {{0, {255}}}}};
    TPSPGraphic picture;
    Load(picture, BuildPSP(f));
    EXPECT_EQ(picture.Palette().size(), 256u);
    EXPECT_EQ(RenderRgbTopDown(picture), (TBytes{0xAB, 0xCD, 0xEF}));
}

TEST(PSPGraphic, GrayscaleFileGetsAGrayPalette) {
    TPSPFile f;
    f.BitDepth = 8;
    f.Grayscale = true;
    f.Width = 3;
    f.Layers = {{0, {{0, {0, 128, 255}}}}};
    EXPECT_EQ(Rendered(BuildPSP(f)), (TBytes{0, 0, 0, 128, 128, 128, 255, 255, 255}));
}

// Rows of 1- and 4-bit pictures are stored in as many bytes as their pixels need, or
// padded to a multiple of 4 bytes; the length of the channel's data tells which.
TEST(PSPGraphic, OneAndFourBitRowsTightOrPadded) {
    struct TCase {
        const char* Name;
        uint16_t Depth;
        uint32_t Width;
        TBytes Plane; // two rows
        std::string Expected;
    };
    const TCase cases[] = {
        {"1-bit tight",
         1,
         10,
         {0b10100000, 0b01000000, 0b01000000, 0b10000000},
         "X.X......X.X......X."},
        {"1-bit padded",
         1,
         10,
         {0b10100000, 0b01000000, 0, 0, 0b01000000, 0b10000000, 0, 0},
         "X.X......X.X......X."},
        {"4-bit tight", 4, 5, {0x10, 0x01, 0x10, 0x01, 0x10, 0x00}, "X..XX.XX.."},
        {"4-bit padded", 4, 5, {0x10, 0x01, 0x10, 0, 0x01, 0x10, 0x00, 0}, "X..XX.XX.."},
    };
    for (const TCase& c : cases)
        for (uint16_t compression : {0, 1, 2}) {
            TPSPFile f;
            f.Compression = compression;
            f.BitDepth = c.Depth;
            f.Width = c.Width;
            f.Height = 2;
            f.Palette.assign(size_t(1) << c.Depth, 0xFFFFFF);
            f.Palette[1] = 0x000000;
            f.Layers = {{0, {{0, c.Plane}}}};
            TPSPGraphic picture;
            Load(picture, BuildPSP(f));
            const TBytes rgb = RenderRgbTopDown(picture);
            std::string shades;
            for (size_t i = 0; i < rgb.size(); i += 3)
                shades += rgb[i] == 0 ? 'X' : '.';
            EXPECT_EQ(shades, c.Expected) << c.Name << ", compression " << compression;
        }
}

TEST(PSPGraphic, VectorAndFloatingLayersBeforeTheRasterLayerAreSkipped) {
    TPSPFile v5 = RgbFile(5, 2);
    TPSPLayer vector = RgbLayer(3);
    vector.Channels[0].Plane.assign(vector.Channels[0].Plane.size(), 0xEE);
    TPSPLayer floating = RgbLayer(2);
    floating.Channels.pop_back(); // a layer that would fail if it were read
    v5.Layers = {vector, floating, RgbLayer(1)};
    EXPECT_EQ(Rendered(BuildPSP(v5)), ExpectedRgb());

    // Version 3 knows one raster layer type.
    TPSPFile v3 = RgbFile(3, 1);
    v3.Layers = {vector, floating, RgbLayer(1), RgbLayer(0)};
    v3.Layers[2].Channels.pop_back();
    EXPECT_EQ(Rendered(BuildPSP(v3)), ExpectedRgb());
}

// Some writers give every channel the whole bitmap's size as its uncompressed size.
TEST(PSPGraphic, StatedUncompressedSizeDoesNotDecideTheRows) {
    for (uint16_t compression : {0, 1, 2}) {
        TPSPFile f = RgbFile(3, compression);
        f.StatedUncompressedSize = PictureWidth * PictureHeight * 3 + 40;
        EXPECT_EQ(Rendered(BuildPSP(f)), ExpectedRgb()) << compression;
    }
}

// There is no decoder for JPEG channels: such files are refused, not shown scrambled.
TEST(PSPGraphic, JPEGChannelsAreRefusedAsNotSupported) {
    EXPECT_EQ(LoadError(BuildPSP(RgbFile(5, 3))),
              "Cannot load image. The compression scheme is not supported for PSP files.");
    EXPECT_EQ(LoadError(BuildPSP(RgbFile(5, 9))),
              "Cannot load image. The compression scheme is not supported for PSP files.");
}

// Damaged files are refused with a message, never read outside the file.
TEST(PSPGraphic, RefusesDamagedFiles) {
    // Offsets in a version 5 file: the attributes block header at 36 (its identifier at 40,
    // its length at 42), its chunk size at 46, the width at 50; the palette's count at 134.
    const TBytes good = BuildPSP(RgbFile(5, 2));
    struct TCase {
        const char* Name;
        TBytes File;
        const char* Message;
    };
    auto changed = [](TBytes file, size_t at, std::initializer_list<uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), file.begin() + at);
        return file;
    };
    auto built = [](auto edit) {
        TPSPFile f = RgbFile(5, 2);
        edit(f);
        return BuildPSP(f);
    };
    const char* invalid = "Cannot load image. Invalid or unexpected PSP image format.";
    const char* readError = "Stream read error in PSP file.";
    TPSPFile palettised;
    palettised.BitDepth = 8;
    palettised.Palette = {0x123456};
    palettised.Layers = {{0, {{0, {0}}}}};
    const TBytes withPalette = BuildPSP(palettised);
    const TCase cases[] = {
        {"truncated in the channels", TBytes(good.begin(), good.end() - 5), invalid},
        {"header only", TBytes(good.begin(), good.begin() + 36), invalid},
        {"attributes block not first", changed(good, 40, {9}), invalid},
        {"attributes block past the end", changed(good, 42, {0xFF, 0xFF, 0xFF}), invalid},
        {"zero width", changed(good, 50, {0, 0, 0, 0}), invalid},
        {"huge picture", changed(good, 50, {0xFF, 0xFF, 0xFF, 0x7F}), invalid},
        {"16-bit depth", built([](TPSPFile& f) { f.BitDepth = 16; }),
         "Invalid color format in PSP file."},
        {"no layer", built([](TPSPFile& f) { f.Layers.clear(); }), invalid},
        {"no raster layer", built([](TPSPFile& f) { f.Layers = {RgbLayer(3)}; }), invalid},
        {"blue channel missing", built([](TPSPFile& f) { f.Layers[0].Channels.pop_back(); }),
         invalid},
        {"channel data too short for its rows", built([](TPSPFile& f) {
             f.Compression = 0;
             f.Layers[0].Channels[1].Plane.resize(5);
         }),
         readError},
        {"channels of different row sizes", built([](TPSPFile& f) {
             f.Compression = 0;
             f.Width = 2;
             f.Height = 1;
             f.Layers = {{0, {{1, {1, 2}}, {2, {3, 4, 0, 0}}, {3, {5, 6}}}}};
         }),
         invalid},
        {"palette larger than its block", changed(withPalette, 134, {2}),
         "Cannot load image. Palette in PSP file is invalid."},
        {"empty palette", changed(withPalette, 134, {0}),
         "Cannot load image. Palette in PSP file is invalid."},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LoadError(c.File), c.Message) << c.Name;
}

TEST(PSPGraphic, DamagedLZ77DataIsACompressionError) {
    TPSPFile f = RgbFile(5, 0);
    TBytes file = BuildPSP(f);
    // Uncompressed planes relabelled as deflate data: not a zlib stream.
    file[67] = 2;
    EXPECT_EQ(LoadError(file), "Cannot load image. Compression error found in PSP file.");
}

using PSPDecoding = TRegisteredFormatsTest;

// No reference decoder reads these files, so the reference is our own decoder's output
// checked by eye and by a separate decode of the three files' channels written for the
// purpose (zlib for LZ77, the run-length rule above by hand). All three hold one picture.
TEST_F(PSPDecoding, MatchesTheConformanceFiles) {
    if (ConformanceDirectory().empty())
        GTEST_SKIP() << "conformance corpus absent";
    const std::string expected = "437a3e65e3b878a140d13ee6d2b70957e7e18f4430b434aee2c36078aa2ae0a2";
    int compared = 0;
    for (const TConformanceCase& c : ConformanceCases("psp")) {
        const TRgbPicture picture = DecodeToRgb(ConformanceDirectory() + "/" + c.Path);
        EXPECT_EQ(picture.Width, c.Width) << c.Path;
        EXPECT_EQ(picture.Height, c.Height) << c.Path;
        EXPECT_EQ(picture.Sha256(), c.ReferenceSha256.empty() ? expected : c.ReferenceSha256)
            << c.Path;
        ++compared;
    }
    EXPECT_EQ(compared, 3);
}

} // namespace
