#include "formats/PCXGraphic.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "support/Conformance.h"
#include "support/PictureRendering.h"

#include <gtest/gtest.h>

namespace {

using TBytes = std::vector<uint8_t>;

struct THeaderSpec {
    uint8_t Version = 5;
    uint8_t Encoding = 0;
    uint8_t BitsPerPixel = 8;
    uint16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    uint8_t Planes = 1;
    uint16_t BytesPerLine = 1;
    uint16_t PaletteInfo = 1;
    TBytes Palette16;
};

void Put16(TBytes& h, size_t at, uint16_t v) {
    h[at] = uint8_t(v);
    h[at + 1] = uint8_t(v >> 8);
}

TBytes Header(const THeaderSpec& s) {
    TBytes h(128, 0);
    h[0] = 10;
    h[1] = s.Version;
    h[2] = s.Encoding;
    h[3] = s.BitsPerPixel;
    Put16(h, 4, s.XMin);
    Put16(h, 6, s.YMin);
    Put16(h, 8, s.XMax);
    Put16(h, 10, s.YMax);
    std::copy(s.Palette16.begin(), s.Palette16.end(), h.begin() + 16);
    h[65] = s.Planes;
    Put16(h, 66, s.BytesPerLine);
    Put16(h, 68, s.PaletteInfo);
    return h;
}

std::unique_ptr<TPCXGraphic> Load(const TBytes& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    auto pcx = std::make_unique<TPCXGraphic>();
    pcx->LoadFromStream(stream);
    return pcx;
}

TBytes Palette16() {
    TBytes palette;
    for (int i = 0; i < 16; ++i)
        palette.insert(palette.end(), {uint8_t(i * 16), uint8_t(i), uint8_t(255 - i)});
    return palette;
}

// Eight pixels 0..7 of four 1-bit planes: plane k holds bit k of each pixel.
TBytes FourPlaneLine() {
    return {0b01010101, 0b00110011, 0b00001111, 0b00000000};
}

TEST(PCXGraphic, FourPlanesShowTheHeaderPaletteOrGrays) {
    THeaderSpec spec;
    spec.BitsPerPixel = 1;
    spec.Planes = 4;
    spec.XMax = 7;
    spec.Palette16 = Palette16();
    const auto colour = Load(JoinBytes({Header(spec), FourPlaneLine()}));
    EXPECT_EQ(colour->PixelFormat(), TPixelFormat::pf4bit);
    const TBytes rgb = RenderRgbTopDown(*colour);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(TBytes(rgb.begin() + 3 * x, rgb.begin() + 3 * x + 3),
                  TBytes({uint8_t(x * 16), uint8_t(x), uint8_t(255 - x)}));
    spec.PaletteInfo = 2;
    const TBytes gray = RenderRgbTopDown(*Load(JoinBytes({Header(spec), FourPlaneLine()})));
    EXPECT_EQ(TBytes(gray.begin() + 3, gray.begin() + 6), TBytes({17, 17, 17}));
}

TEST(PCXGraphic, VersionThreeTakesTheDefaultPalette) {
    THeaderSpec spec;
    spec.Version = 3;
    spec.BitsPerPixel = 1;
    spec.Planes = 4;
    spec.XMax = 7;
    spec.Palette16 = Palette16();
    const auto pcx = Load(JoinBytes({Header(spec), FourPlaneLine()}));
    EXPECT_EQ(pcx->Palette(), DefaultPalette16());
}

TEST(PCXGraphic, EightBitFilesUseTheTrailingPaletteOnlyWithItsMarker) {
    THeaderSpec spec;
    spec.XMax = 1;
    spec.BytesPerLine = 2;
    TBytes vga(769, 0);
    vga[0] = 12;
    vga[1 + 3 * 5] = 200; // entry 5 red
    const auto withPalette = Load(JoinBytes({Header(spec), {5, 0}, vga}));
    EXPECT_EQ(RenderRgbTopDown(*withPalette), TBytes({200, 0, 0, 0, 0, 0}));
    vga[0] = 0;
    const auto without = Load(JoinBytes({Header(spec), {5, 0}, vga}));
    // No palette of the file's own: the bitmap's default, and the last 769 bytes are no pixels.
    EXPECT_EQ(without->Height(), 1);
    EXPECT_NE(RenderRgbTopDown(*without), RenderRgbTopDown(*withPalette));
    spec.PaletteInfo = 2;
    const auto gray = Load(JoinBytes({Header(spec), {5, 0}, vga}));
    EXPECT_EQ(RenderRgbTopDown(*gray), TBytes({5, 5, 5, 0, 0, 0}));
}

TEST(PCXGraphic, ThreePlanesGiveRedGreenBlue) {
    THeaderSpec spec;
    spec.Planes = 3;
    spec.XMax = 1;
    spec.BytesPerLine = 2;
    const auto pcx = Load(JoinBytes({Header(spec), {10, 20, 30, 40, 50, 60}}));
    EXPECT_EQ(pcx->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(RenderRgbTopDown(*pcx), TBytes({10, 30, 50, 20, 40, 60}));
}

TEST(PCXGraphic, TwoBitFilesUseAFourBitBitmap) {
    THeaderSpec spec;
    spec.BitsPerPixel = 2;
    spec.XMax = 3;
    spec.Palette16 = Palette16();
    const auto pcx = Load(JoinBytes({Header(spec), {0b00011011}}));
    EXPECT_EQ(pcx->PixelFormat(), TPixelFormat::pf4bit);
}

TEST(PCXGraphic, SizeIsMaximumMinusMinimumPlusOne) {
    THeaderSpec spec;
    spec.XMin = 100;
    spec.XMax = 102;
    spec.YMin = 7;
    spec.YMax = 8;
    spec.BytesPerLine = 3;
    spec.Encoding = 1;
    const auto pcx = Load(JoinBytes({Header(spec), {0xC6, 9}, TBytes(769, 0)}));
    EXPECT_EQ(pcx->Width(), 3);
    EXPECT_EQ(pcx->Height(), 2);
    EXPECT_EQ(RenderRgbTopDown(*pcx), TBytes(18, 9)); // a run of six 9s, no palette of its own
}

TEST(PCXGraphic, BadFilesEndInAnError) {
    THeaderSpec spec;
    spec.Planes = 2;
    EXPECT_THROW(Load(JoinBytes({Header(spec), {1, 2}})), EInvalidGraphic);
    THeaderSpec narrow;
    narrow.XMax = 9;
    narrow.BytesPerLine = 2; // ten pixels need ten bytes
    EXPECT_THROW(Load(JoinBytes({Header(narrow), TBytes(2000, 0)})), EInvalidGraphic);
    THeaderSpec huge;
    huge.XMax = 60000;
    huge.YMax = 60000;
    huge.BytesPerLine = 60001;
    EXPECT_THROW(Load(JoinBytes({Header(huge), TBytes(2000, 0)})), EInvalidGraphic);
    // One 8-bit pixel (and room for the palette at the end): a line of up to 5 bytes is
    // padding, more is not.
    THeaderSpec padded;
    padded.BytesPerLine = 5;
    EXPECT_EQ(Load(JoinBytes({Header(padded), TBytes(5 + 769, 0)}))->Width(), 1);
    padded.BytesPerLine = 6;
    EXPECT_THROW(Load(JoinBytes({Header(padded), TBytes(6 + 769, 0)})), EInvalidGraphic);
    TBytes notPcx = Header(THeaderSpec());
    notPcx[0] = 1;
    EXPECT_THROW(Load(notPcx), EInvalidGraphic);
    EXPECT_THROW(Load(TBytes(20, 10)), EReadError);
}

using PCXConformance = TRegisteredFormatsTest;

TEST_F(PCXConformance, FilesMatchTheReferenceAndCorruptOnesFail) {
    const bool found =
        CheckConformanceCases("pcx", [&](const TConformanceCase& c, const std::string& path) {
            const TRgbPicture picture = DecodeToRgb(path);
            EXPECT_EQ(picture.Width, c.Width);
            EXPECT_EQ(picture.Height, c.Height);
            EXPECT_EQ(picture.Sha256(), c.ReferenceSha256);
        });
    if (!found)
        GTEST_SKIP() << "conformance corpus not found";
}

} // namespace
