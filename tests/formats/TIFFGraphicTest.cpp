#include "formats/TIFFGraphic.h"

#include "formats/EPSGraphic.h"
#include "formats/ReaderRgb.h"
#include "support/Conformance.h"
#include "support/LibtiffPicture.h"
#include "support/PictureChecks.h"
#include "support/ShownPicture.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jerror.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <sys/resource.h>

namespace {

const std::string DataDir = std::string(PELORAMA_TEST_DATA) + "/tiff/";

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pixels of a binary PPM without comments.
std::vector<uint8_t> PpmPixels(const std::string& name) {
    const std::vector<uint8_t> ppm = ReadFile(DataDir + name);
    size_t at = 0;
    for (int fields = 0; fields < 4; ++at)
        if (ppm[at] == '\n' || ppm[at] == ' ')
            ++fields;
    return {ppm.begin() + std::ptrdiff_t(at), ppm.end()};
}

// The pixels the fixtures were made from: the truth for lossless files.
std::vector<uint8_t> SourcePixels() {
    return PpmPixels("src.ppm");
}

class LosslessRgbFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(LosslessRgbFixture, DecodesToTheSourcePixels) {
    const TRgbPicture picture = LoadRgb<TTIFFGraphic>(DataDir + GetParam());
    EXPECT_EQ(picture.Width, 24);
    EXPECT_EQ(picture.Height, 16);
    EXPECT_EQ(picture.Pixels, SourcePixels());
}

// Written by libtiff's tiffcp and ImageMagick; see tests/data/README.md.
INSTANTIATE_TEST_SUITE_P(Writers, LosslessRgbFixture,
                         ::testing::Values("rgb-none.tif", "rgb-none-mm.tif", "rgb-packbits.tif",
                                           "rgb-lzw.tif", "rgb-lzw-2.tif", "rgb-lzw-2-mm.tif",
                                           "rgb-zip.tif", "rgb16-mm.tif", "rgb-planar-lzw-2.tif",
                                           "rgb-none-lsb.tif", "rgb-lzw-lsb.tif", "tiled.tif",
                                           "tiled-lzw-2.tif", "tiled-planar-zip.tif",
                                           "orientation6.tif", "adobe-rgb.tif"));

// Files the reader leaves to libtiff.
INSTANTIATE_TEST_SUITE_P(Libtiff, LosslessRgbFixture,
                         ::testing::Values("bigtiff.tif", "rgb-lzma.tif"));

// Against libtiff's own decode (as tiff2rgba makes it), within 3 per sample.
class LibtiffDecode : public ::testing::TestWithParam<const char*> {};

TEST_P(LibtiffDecode, MatchesWithinThree) {
    const TRgbPicture ours = LoadRgb<TTIFFGraphic>(DataDir + GetParam());
    const std::optional<TRgbPicture> libtiff = LibtiffRgb(DataDir + GetParam());
    ASSERT_TRUE(libtiff);
    ASSERT_EQ(ours.Width, libtiff->Width);
    ASSERT_EQ(ours.Height, libtiff->Height);
    EXPECT_LE(MaxSampleDifference(ours.Pixels, libtiff->Pixels), 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LibtiffDecode,
                         ::testing::Values("tiled-jpeg.tif", "ycbcr-jpeg-strips.tif",
                                           "ycbcr-sub.tif", "rgba.tif", "rgba-assoc.tif",
                                           "cmyk-planar.tif", "palette.tif", "gray16-mm-zip-2.tif",
                                           "shapes-g4-lsb.tif", "gray1-miniswhite.tif"),
                         [](const auto& info) { return TestNameFromText(info.param); });

struct TDigestCase {
    const char* File;
    const char* Sha256; // RGB bytes of another program's decode, drawn over white
};

class ReferenceDecode : public ::testing::TestWithParam<TDigestCase> {};

TEST_P(ReferenceDecode, MatchesPixelForPixel) {
    EXPECT_EQ(LoadRgb<TTIFFGraphic>(DataDir + GetParam().File).Sha256(), GetParam().Sha256);
}

// ImageMagick's decode (convert FILE -background white -flatten -depth 8 rgb:-), except
// where noted.
INSTANTIATE_TEST_SUITE_P(
    Kinds, ReferenceDecode,
    ::testing::Values(
        TDigestCase{"bilevel.tif",
                    "4cf9816ed1062189ff0c8d427fba5e912cc68fc9af76cf7f08fd255977de3b33"},
        TDigestCase{"gray1-miniswhite.tif",
                    "4cf9816ed1062189ff0c8d427fba5e912cc68fc9af76cf7f08fd255977de3b33"},
        TDigestCase{"gray8.tif",
                    "72535a842e52acc087be75eea46c84e1ffdc4f5ce0347826901d95b25bd132aa"},
        TDigestCase{"gray8-lzw-2.tif",
                    "72535a842e52acc087be75eea46c84e1ffdc4f5ce0347826901d95b25bd132aa"},
        TDigestCase{"gray16-mm.tif",
                    "72535a842e52acc087be75eea46c84e1ffdc4f5ce0347826901d95b25bd132aa"},
        TDigestCase{"gray16-mm-zip-2.tif",
                    "72535a842e52acc087be75eea46c84e1ffdc4f5ce0347826901d95b25bd132aa"},
        TDigestCase{"cmyk.tif", "70dec08870fb53dd1711bf26e1d52d1ecb9c6d3a8f3a7411cb7924a6ecee4905"},
        TDigestCase{"cmyk-planar.tif",
                    "70dec08870fb53dd1711bf26e1d52d1ecb9c6d3a8f3a7411cb7924a6ecee4905"},
        TDigestCase{"palette.tif",
                    "89235a24854a38f4f25fea1b18f272f96782e6f4bad9a8248fc775d220518ee3"}),
    [](const auto& info) { return TestNameFromText(info.param.File); });

class RgbaFixture : public ::testing::TestWithParam<const char*> {};

// The colour samples stay as written; the fourth sample goes to the bitmap's alpha byte.
TEST_P(RgbaFixture, KeepsTheColourSamples) {
    TTIFFGraphic picture;
    picture.LoadFromFile(DataDir + GetParam());
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf32bit);
    const std::vector<uint8_t> source = SourcePixels();
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const uint8_t* bgra = picture.ScanLine(y) + 4 * x;
            const uint8_t* rgb = source.data() + 3 * (size_t(y) * 24 + x);
            ASSERT_EQ(bgra[0], rgb[2]);
            ASSERT_EQ(bgra[1], rgb[1]);
            ASSERT_EQ(bgra[2], rgb[0]);
        }
}

INSTANTIATE_TEST_SUITE_P(Writers, RgbaFixture, ::testing::Values("rgba.tif", "rgba-lzw-2.tif"));

// The same bilevel picture uncompressed and coded two-dimensionally by tiffcp.
class TwoDimensionalFax : public ::testing::TestWithParam<const char*> {};

TEST_P(TwoDimensionalFax, DecodesLikeTheUncompressedFile) {
    const TRgbPicture plain = LoadRgb<TTIFFGraphic>(DataDir + "shapes.tif");
    ASSERT_EQ(plain.Width, 160);
    ASSERT_NE(std::count(plain.Pixels.begin(), plain.Pixels.end(), 0), 0);
    ASSERT_NE(std::count(plain.Pixels.begin(), plain.Pixels.end(), 255), 0);
    EXPECT_EQ(LoadRgb<TTIFFGraphic>(DataDir + GetParam()).Pixels, plain.Pixels);
}

INSTANTIATE_TEST_SUITE_P(Writers, TwoDimensionalFax,
                         ::testing::Values("shapes-g3-2d.tif", "shapes-g3-2d-fill.tif",
                                           "shapes-g4.tif", "shapes-g4-lsb.tif"));

// YCbCr in 2 x 2 data units, with an odd width so that the last block sticks out, against
// the same pixels stored with each block's chroma repeated, and against libtiff's decode
// (whose YCbCr arithmetic rounds a little differently).
TEST(TIFFGraphic, SubsampledYCbCrRepeatsEachBlocksChroma) {
    const TRgbPicture subsampled = LoadRgb<TTIFFGraphic>(DataDir + "ycbcr-sub.tif");
    EXPECT_EQ(subsampled.Width, 23);
    EXPECT_EQ(subsampled.Height, 16);
    EXPECT_EQ(subsampled.Pixels, LoadRgb<TTIFFGraphic>(DataDir + "ycbcr-full.tif").Pixels);
    const std::vector<uint8_t> reference = PpmPixels("ycbcr-libtiff.ppm");
    ASSERT_EQ(subsampled.Pixels.size(), reference.size());
    int largest = 0;
    for (size_t i = 0; i < reference.size(); ++i)
        largest = std::max(largest, std::abs(int(subsampled.Pixels[i]) - int(reference[i])));
    EXPECT_LE(largest, 2);
}

// Colours multiplied by alpha (tiff2rgba's output) get divided out again: the straight
// colours of the file it was made from come back, within the rounding of the product.
TEST(TIFFGraphic, AssociatedAlphaIsDividedOut) {
    TTIFFGraphic straight, associated;
    straight.LoadFromFile(DataDir + "rgba.tif");
    associated.LoadFromFile(DataDir + "rgba-assoc.tif");
    ASSERT_EQ(associated.PixelFormat(), TPixelFormat::pf32bit);
    int worst = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint8_t* a = associated.ScanLine(y) + 4 * x;
            const uint8_t* b = straight.ScanLine(y) + 4 * x;
            ASSERT_EQ(a[3], b[3]);
            for (int c = 0; a[3] >= 64 && c < 3; ++c)
                worst = std::max(worst, std::abs(a[c] - b[c]));
        }
    EXPECT_LE(worst, 2);
}

// Gray and alpha interleaved load as their separate planes do, alpha blended over white.
TEST(TIFFGraphic, GrayAndAlphaInterleavedOrInPlanesLoadAlike) {
    TTIFFGraphic interleaved;
    interleaved.LoadFromFile(DataDir + "graya.tif");
    ASSERT_EQ(interleaved.PixelFormat(), TPixelFormat::pf32bit);
    // The alpha made as x / width: the left column transparent, the right one nearly opaque.
    EXPECT_EQ(interleaved.ScanLine(5)[3], 0);
    EXPECT_GT(interleaved.ScanLine(5)[23 * 4 + 3], 240);
    EXPECT_EQ(RenderRgbTopDown(interleaved),
              LoadRgb<TTIFFGraphic>(DataDir + "graya-planar.tif").Pixels);
}

// Floating-point samples (libtiff decodes them) from 0 to 1, against the same gray as 8 bits.
TEST(TIFFGraphic, FloatingPointSamplesSpanBlackToWhite) {
    const TRgbPicture floating = LoadRgb<TTIFFGraphic>(DataDir + "gray-float.tif");
    EXPECT_LE(
        MaxSampleDifference(floating.Pixels, LoadRgb<TTIFFGraphic>(DataDir + "gray8.tif").Pixels),
        1);
}

// A fuzzer's find: PhotometricInterpretation of an unknown type counting 1,619,001,345 values
// made the directory reserve 6 GB for them. Under a 2 GiB address-space limit the load must
// end as a picture or a refusal, not as an allocation failure.
// Loads under the address-space limit and exits 0 unless something other than a refusal ends it.
[[noreturn, maybe_unused]] void LoadUnderTwoGiB(const std::string& path) {
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = rlim_t(2) << 30;
    setrlimit(RLIMIT_AS, &limit);
    try {
        TTIFFGraphic picture;
        picture.LoadFromFile(path);
    } catch (const EInvalidGraphic&) {
    }
    std::exit(0);
}

TEST(TIFFGraphicDeathTest, AnEntryOfUnknownTypeReservesNothingForItsCount) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's shadow memory needs more than the limit";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LoadUnderTwoGiB(DataDir + "unknown-type-huge-count.tif"),
                ::testing::ExitedWithCode(0), "");
#endif
}

// Fuzzers' finds that once read or wrote outside their buffers (the sanitizer builds caught
// them); each keeps the size its header gives.
struct TFuzzFind {
    const char* File;
    int Width, Height;
};

class TIFFFuzzFind : public ::testing::TestWithParam<TFuzzFind> {};

TEST_P(TIFFFuzzFind, LoadsAtTheHeadersSize) {
    const TRgbPicture picture = LoadRgb<TTIFFGraphic>(DataDir + GetParam().File);
    EXPECT_EQ(picture.Width, GetParam().Width);
    EXPECT_EQ(picture.Height, GetParam().Height);
    EXPECT_EQ(picture.Pixels.size(), size_t(picture.Width) * size_t(picture.Height) * 3);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TIFFFuzzFind,
    ::testing::Values(
        // Strips without byte counts, one of them empty: memcpy once got no data pointer.
        TFuzzFind{"strips-without-byte-counts.tif", 160, 48},
        // LZW with a predictor over 2 x 2 subsampled YCbCr, whose data units are not rows.
        TFuzzFind{"ycbcr-units-predictor.tif", 24, 16},
        // YCbCr with an extra sample counted as associated alpha, which YCbCr pictures drop.
        TFuzzFind{"ycbcr-associated-alpha.tif", 24, 16}),
    [](const auto& info) { return TestNameFromText(info.param.File); });

// A fuzzer's find: 298 bytes of floating-point samples whose strips claim hundreds of
// megabytes; libtiff's path took and cleared a buffer that size before reading a byte.
TEST(TIFFFuzzFindMemory, FloatStripsClaimingMoreThanTheFileHoldsAreRefusedUntouched) {
    const TPictureLoadScope load;
    TTIFFGraphic picture;
    EXPECT_THROW(picture.LoadFromFile(DataDir + "float-strip-claim.tif"), EInvalidGraphic);
    EXPECT_LT(TPictureLoadScope::Peak(), 1 << 20);
}

// The orientation and the colour profile go with the picture, which the load path applies.
class TIFFMetadata : public TRegisteredFormatsTest {};

TEST_F(TIFFMetadata, OrientationAndProfileAreRecordedAndApplied) {
    TTIFFGraphic turned, profiled;
    turned.LoadFromFile(DataDir + "orientation6.tif");
    profiled.LoadFromFile(DataDir + "adobe-rgb.tif");
    EXPECT_EQ(turned.Metadata.Orientation, 6);
    EXPECT_TRUE(turned.Metadata.IccProfile.empty());
    EXPECT_EQ(profiled.Metadata.Orientation, 1);
    EXPECT_EQ(profiled.Metadata.IccProfile, ReadTestData("library/adobe-rgb.icc"));
    // Shown, the stored bottom-left pixel turns to the top left.
    const TRgbPicture shown = LoadShownRgb(DataDir + "orientation6.tif");
    EXPECT_EQ(shown.Width, 16);
    EXPECT_EQ(shown.Height, 24);
    const std::vector<uint8_t> source = SourcePixels();
    EXPECT_TRUE(
        std::equal(shown.Pixels.begin(), shown.Pixels.begin() + 3, source.begin() + 15 * 24 * 3));
    const std::vector<uint8_t> converted = PpmPixels("../library/adobe-rgb-srgb.ppm");
    EXPECT_LE(MaxSampleDifference(LoadShownRgb(DataDir + "adobe-rgb.tif").Pixels, converted), 1);
}

void ExpectMessage(const std::vector<uint8_t>& file, const char* message) {
    TTIFFGraphic picture;
    TMemoryStream stream(file);
    try {
        picture.LoadFromStream(stream);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), message);
    }
}

// Builds small files by hand for the cases no writer produces.
class TTIFFBuilder {
public:
    explicit TTIFFBuilder(bool bigEndian) : Big(bigEndian) {
        Bytes = {uint8_t(Big ? 'M' : 'I'), uint8_t(Big ? 'M' : 'I')};
        Put16(42);
        Put32(0); // first directory, patched by Finish
    }
    void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        Entries.push_back({tag, type, count, value});
    }
    // Size, depth, compression and BlackIsZero of a gray picture.
    void Gray(uint32_t width, uint32_t height, uint16_t compression, uint16_t bits = 8) {
        Entry(256, 4, 1, width);
        Entry(257, 4, 1, height);
        Entry(258, 3, 1, bits);
        Entry(259, 3, 1, compression);
        Entry(262, 3, 1, 1);
    }
    // Appends data and returns their offset.
    uint32_t Data(const std::vector<uint8_t>& data) {
        const uint32_t offset = uint32_t(Bytes.size());
        Bytes.insert(Bytes.end(), data.begin(), data.end());
        return offset;
    }
    std::vector<uint8_t> Finish(uint32_t nextDirectory = 0) {
        if (Bytes.size() % 2)
            Bytes.push_back(0);
        const uint32_t at = uint32_t(Bytes.size());
        Patch32(4, at);
        Put16(uint16_t(Entries.size()));
        for (const auto& e : Entries) {
            Put16(e.Tag);
            Put16(e.Type);
            Put32(e.Count);
            if (e.Type == 3 && e.Count == 1) {
                Put16(uint16_t(e.Value));
                Put16(0);
            } else {
                Put32(e.Value);
            }
        }
        Put32(nextDirectory == 1 ? at : nextDirectory);
        return Bytes;
    }
    void Put16(uint16_t v) {
        if (Big)
            Bytes.insert(Bytes.end(), {uint8_t(v >> 8), uint8_t(v)});
        else
            Bytes.insert(Bytes.end(), {uint8_t(v), uint8_t(v >> 8)});
    }
    void Put32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            Bytes.push_back(uint8_t(Big ? v >> (24 - 8 * i) : v >> (8 * i)));
    }

private:
    void Patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            Bytes[at + i] = uint8_t(Big ? v >> (24 - 8 * i) : v >> (8 * i));
    }
    struct TRawEntry {
        uint16_t Tag, Type;
        uint32_t Count, Value;
    };
    bool Big;
    std::vector<TRawEntry> Entries;
    std::vector<uint8_t> Bytes;
};

// A 4 x 2 8-bit gray picture, one strip, no RowsPerStrip; tags in reverse order.
std::vector<uint8_t> GrayFile(bool bigEndian, uint32_t nextDirectory = 0) {
    TTIFFBuilder b(bigEndian);
    const uint32_t strip = b.Data({0, 50, 100, 150, 200, 250, 255, 1});
    b.Entry(296, 3, 1, 3); // centimetres
    b.Entry(282, 5, 1, b.Data({0, 0, 0, 0, 0, 0, 0, 0}));
    b.Entry(279, 4, 1, 8);
    b.Entry(273, 4, 1, strip);
    b.Entry(262, 3, 1, 1);
    b.Entry(258, 3, 1, 8);
    b.Entry(257, 3, 1, 2);
    b.Entry(256, 3, 1, 4);
    return b.Finish(nextDirectory);
}

class HandMadeGray : public ::testing::TestWithParam<bool> {};

TEST_P(HandMadeGray, ReadsUnsortedTagsAndOneImplicitStrip) {
    TTIFFGraphic picture;
    TMemoryStream stream(GrayFile(GetParam()));
    picture.LoadFromStream(stream);
    ASSERT_EQ(picture.Width(), 4);
    ASSERT_EQ(picture.Height(), 2);
    EXPECT_EQ(picture.Image().BlockHeight, 2u);
    EXPECT_EQ(picture.ScanLine(0)[1], 50);
    EXPECT_EQ(picture.ScanLine(1)[3], 1);
    EXPECT_EQ(bool(picture.ImageProperties.Options & ioBigEndian), GetParam());
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, HandMadeGray, ::testing::Bool());

TEST(TIFFGraphic, ResolutionInCentimetresIsReportedPerInch) {
    TTIFFBuilder b(true);
    b.Entry(256, 3, 1, 1);
    b.Entry(257, 3, 1, 1);
    b.Entry(282, 5, 1, b.Data({0, 0, 0, 100, 0, 0, 0, 1}));
    b.Entry(283, 5, 1, b.Data({0, 0, 0, 50, 0, 0, 0, 2}));
    b.Entry(296, 3, 1, 3);
    TTIFFGraphic picture;
    TMemoryStream stream(b.Finish());
    ASSERT_TRUE(picture.ReadImageProperties(stream, 0));
    EXPECT_FLOAT_EQ(picture.ImageProperties.XResolution, 254.0f);
    EXPECT_FLOAT_EQ(picture.ImageProperties.YResolution, 63.5f);
}

TEST(TIFFGraphic, DirectoryChainThatLoopsIsInvalid) {
    const std::vector<uint8_t> file = GrayFile(false, 1); // next directory = itself
    TTIFFGraphic picture;
    TMemoryStream stream(file);
    EXPECT_TRUE(picture.ReadImageProperties(stream, 0));
    EXPECT_FALSE(picture.ReadImageProperties(stream, 1));
    EXPECT_FALSE(picture.ReadImageProperties(stream, 5));
}

TEST(TIFFGraphic, DirectoryPastTheEndIsInvalid) {
    std::vector<uint8_t> file = GrayFile(false);
    file.resize(file.size() - 20); // cuts the directory
    ExpectMessage(file, "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
}

// Strips whose claims their bytes cannot back. Each file is built from bytes; the picture is
// either refused before anything is allocated for it or loads with the rows it has.
struct TStripClaimCase {
    const char* Name;
    std::vector<uint8_t> (*Build)();
    int32_t Height; // 0: refused
    int BlankRow;   // a row left blank, or -1
};

// Little-endian LONG values.
std::vector<uint8_t> Longs(std::vector<uint32_t> values) {
    std::vector<uint8_t> bytes;
    for (const uint32_t v : values)
        bytes.insert(bytes.end(),
                     {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    return bytes;
}

// A 4 x 2 gray picture in strips of one row with the given byte counts.
std::vector<uint8_t> TwoRowGray(uint16_t compression, uint32_t rowsPerStrip, uint32_t count0,
                                uint32_t count1) {
    TTIFFBuilder b(false);
    const uint32_t first = b.Data({10, 20, 30, 40});
    const uint32_t second = b.Data({50, 60, 70, 80});
    b.Gray(4, 2, compression);
    if (rowsPerStrip == 2) {
        b.Entry(273, 4, 1, first);
        b.Entry(278, 4, 1, 0); // 0: all rows
        b.Entry(279, 4, 1, 8);
    } else {
        b.Entry(273, 4, 2, b.Data(Longs({first, second})));
        b.Entry(278, 4, 1, 1);
        b.Entry(279, 4, 2, b.Data(Longs({count0, count1})));
    }
    return b.Finish();
}

const TStripClaimCase StripClaims[] = {
    // 182 bytes claiming 16383 x 16384 16-bit RGBA in one uncompressed strip.
    {"HugeClaimInAFewBytes",
     [] {
         TTIFFBuilder b(false);
         b.Entry(256, 3, 1, 16383);
         b.Entry(257, 3, 1, 16384);
         b.Entry(258, 3, 4, b.Data({16, 0, 16, 0, 16, 0, 16, 0}));
         b.Entry(259, 3, 1, 1);
         b.Entry(262, 3, 1, 2);
         b.Entry(273, 4, 1, 8);
         b.Entry(277, 3, 1, 4);
         b.Entry(278, 4, 1, 16384);
         b.Entry(279, 4, 1, 0xFFFFFFFF);
         b.Entry(284, 3, 1, 1);
         b.Entry(338, 3, 1, 2);
         return b.Finish();
     },
     0, -1},
    // 1 x 250,000, a PackBits strip per row, every one at the same offset and 0xFFFFFFFF
    // bytes long: each strip is read only as far as its one byte can need.
    {"EveryStripClaimsTheWholeFile",
     [] {
         TTIFFBuilder b(false);
         const uint32_t strip = b.Data({0, 77});
         b.Gray(1, 250000, 32773);
         b.Entry(273, 4, 250000, b.Data(Longs(std::vector<uint32_t>(250000, strip))));
         b.Entry(278, 4, 1, 1);
         b.Entry(279, 4, 250000, b.Data(Longs(std::vector<uint32_t>(250000, 0xFFFFFFFF))));
         return b.Finish();
     },
     250000, -1},
    {"CompressedStripsOutsideTheFile",
     [] {
         TTIFFBuilder b(false);
         b.Gray(4, 2, 5);
         b.Entry(273, 4, 1, 0x7FFFFFF0);
         b.Entry(279, 4, 1, 0x7FFFFFF0);
         return b.Finish();
     },
     0, -1},
    // Two PackBits bytes cannot make 4000 x 1000 pixels.
    {"CompressedStripTooShortForItsRows",
     [] {
         TTIFFBuilder b(false);
         b.Gray(4000, 1000, 32773);
         b.Entry(273, 4, 1, b.Data({0x81, 9}));
         b.Entry(279, 4, 1, 2);
         return b.Finish();
     },
     0, -1},
    {"ByteCountZeroIsSkipped", [] { return TwoRowGray(1, 1, 4, 0); }, 2, 1},
    {"RowsPerStripZeroMeansAllRows", [] { return TwoRowGray(1, 2, 0, 0); }, 2, -1},
};

class StripClaim : public ::testing::TestWithParam<TStripClaimCase> {};

TEST_P(StripClaim, IsRefusedOrLoadsWithItsRows) {
    const TStripClaimCase& c = GetParam();
    TTIFFGraphic picture;
    TMemoryStream stream(c.Build());
    if (c.Height == 0) {
        EXPECT_THROW(picture.LoadFromStream(stream), EInvalidGraphic);
        return;
    }
    picture.LoadFromStream(stream);
    ASSERT_EQ(picture.Height(), c.Height);
    EXPECT_EQ(picture.ScanLine(0)[0], c.Height == 250000 ? 77 : 10);
    const int last = c.Height - 1;
    EXPECT_EQ(picture.ScanLine(last)[0], c.BlankRow == last ? 0 : c.Height == 250000 ? 77 : 50);
}

INSTANTIATE_TEST_SUITE_P(Claims, StripClaim, ::testing::ValuesIn(StripClaims),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(TIFFGraphic, LongColorMapKeepsTheFirst256EntriesOfEachPlane) {
    TTIFFBuilder b(false);
    std::vector<uint8_t> map(2 * 900, 0);
    for (int i = 0; i < 256; ++i) {
        map[2 * i] = map[2 * i + 1] = uint8_t(i);                       // red, 257 x i
        map[2 * (300 + i)] = map[2 * (300 + i) + 1] = uint8_t(255 - i); // green starts at 900 / 3
    }
    b.Entry(256, 3, 1, 2);
    b.Entry(257, 3, 1, 1);
    b.Entry(258, 3, 1, 8);
    b.Entry(262, 3, 1, 3);
    b.Entry(273, 4, 1, b.Data({7, 9}));
    b.Entry(320, 3, 900, b.Data(map));
    TTIFFGraphic picture;
    TMemoryStream stream(b.Finish());
    picture.LoadFromStream(stream);
    ASSERT_EQ(picture.Palette().size(), 256u);
    EXPECT_EQ(picture.Palette()[7].peRed, 7);
    EXPECT_EQ(picture.Palette()[7].peGreen, 248);
    EXPECT_EQ(picture.ScanLine(0)[1], 9);
}

// What libtiff cannot read either is refused: as damaged, or as a kind it does not know.
TEST(TIFFGraphic, WhatLibtiffCannotReadIsRefusedWithTheReason) {
    std::vector<uint8_t> bigTIFF = ReadFile(DataDir + "bigtiff.tif");
    bigTIFF.resize(200);
    ExpectMessage(bigTIFF, "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
    TTIFFBuilder b(false);
    b.Gray(4, 2, 34712); // JPEG 2000, which libtiff does not decode
    b.Entry(273, 4, 1, b.Data({1, 2, 3, 4, 5, 6, 7, 8}));
    b.Entry(279, 4, 1, 8);
    ExpectMessage(b.Finish(),
                  "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");
}

TEST(TIFFGraphic, CanLoadChecksOrderVersionAndOffset) {
    const std::vector<uint8_t> good = GrayFile(true);
    TMemoryStream stream(good);
    EXPECT_TRUE(TTIFFGraphic::CanLoad(stream));
    EXPECT_EQ(stream.Position(), 0);
    std::vector<uint8_t> bad = good;
    bad[3] = 43; // BigTIFF, which libtiff reads
    TMemoryStream bigTIFF(bad);
    EXPECT_TRUE(TTIFFGraphic::CanLoad(bigTIFF));
    bad[3] = 44;
    TMemoryStream badVersion(bad);
    EXPECT_FALSE(TTIFFGraphic::CanLoad(badVersion));
    bad = good;
    bad[4] = 0x7F;
    TMemoryStream badOffset(bad);
    EXPECT_FALSE(TTIFFGraphic::CanLoad(badOffset));
    TMemoryStream tooShort(good.data(), 8);
    EXPECT_FALSE(TTIFFGraphic::CanLoad(tooShort));
}

} // namespace

namespace {

INSTANTIATE_TEST_SUITE_P(
    Compressed, ReferenceDecode,
    ::testing::Values(
        // libtiff's tiffcp -c g3:1d, the same big-endian with fill order 2, and -c g4.
        TDigestCase{"fax-g3.tif",
                    "4cf9816ed1062189ff0c8d427fba5e912cc68fc9af76cf7f08fd255977de3b33"},
        TDigestCase{"fax-g3-lsb-mm.tif",
                    "4cf9816ed1062189ff0c8d427fba5e912cc68fc9af76cf7f08fd255977de3b33"},
        TDigestCase{"fax-g4.tif",
                    "4cf9816ed1062189ff0c8d427fba5e912cc68fc9af76cf7f08fd255977de3b33"},
        // ImageMagick's decode of its 4- and 2-bit RGB and 12-bit gray.
        TDigestCase{"rgb4.tif", "42ecbbb4945e7a6a6b5595bd9c4685aaa81a137c8aafa169498a745f39924d15"},
        TDigestCase{"rgb2.tif", "a80b1777b453e133d5f7563cf02fd5b9032dc8bceafdab7b24bd2df53ca122a0"},
        TDigestCase{"gray12.tif",
                    "144f6ff7d1c7b7c4f3dbcc0591e38cac7ba8fcc43b54910a059271fc4a8864cb"},
        // tiffcp -c jpeg: YCbCr 2 x 2 with shared tables; libjpeg decodes both ways.
        TDigestCase{"ycbcr-jpeg.tif",
                    "e2e47da4b394c97009bf3c7d8b8848a1000e598c705f7b847554f18b1c52d98e"}),
    [](const auto& info) { return TestNameFromText(info.param.File); });

// Where the value field of a tag's entry lies in a little-endian file with one directory.
size_t ValueField(const std::vector<uint8_t>& file, uint16_t tag) {
    const size_t directory = file.at(4) | file.at(5) << 8;
    const size_t entries = file.at(directory) | file.at(directory + 1) << 8;
    for (size_t i = 0; i < entries; ++i) {
        const size_t at = directory + 2 + 12 * i;
        if ((file.at(at) | file.at(at + 1) << 8) == tag)
            return at + 8;
    }
    ADD_FAILURE() << "no tag " << tag;
    return 0;
}

// tiffcp -c jpeg -r 16: four strips whose byte counts are SHORTs stored elsewhere.
TEST(TIFFGraphic, JPEGStripsCutShortLeaveOneWarningAndKeepTheirRows) {
    std::vector<uint8_t> file = ReadFile(DataDir + "ycbcr-jpeg-strips.tif");
    const size_t counts = file.at(ValueField(file, 279)) | file.at(ValueField(file, 279) + 1) << 8;
    for (size_t strip = 0; strip < 4; ++strip)
        file.at(counts + 2 * strip) -= 12; // into the coded data
    TTIFFGraphic picture;
    TMemoryStream stream(file);
    EXPECT_NO_THROW(picture.LoadFromStream(stream));
    // The warning travels with the picture, once, for the viewer to show.
    EXPECT_EQ(picture.Warnings,
              std::vector<std::string>{"JPEG decompression error. Unexpected end of input."});
    EXPECT_EQ(picture.Height(), 64);
}

TEST(TIFFGraphic, JPEGStripThatLibjpegRefusesNamesItsErrorCode) {
    std::vector<uint8_t> file = ReadFile(DataDir + "ycbcr-jpeg-strips.tif");
    const size_t offsets = file.at(ValueField(file, 273)) | file.at(ValueField(file, 273) + 1) << 8;
    const size_t first = file.at(offsets) | file.at(offsets + 1) << 8;
    file.at(first) = 0; // no start of image
    ExpectMessage(file, ("JPEG error #" + std::to_string(JERR_NO_SOI)).c_str());
}

TEST(EPSGraphic, ShowsItsTIFFPreview) {
    const TRgbPicture picture = LoadRgb<TEPSGraphic>(DataDir + "preview.eps");
    EXPECT_EQ(picture.Pixels, SourcePixels());
}

TEST(EPSGraphic, CanLoadNeedsATIFFPreview) {
    std::vector<uint8_t> file = ReadFile(DataDir + "preview.eps");
    TMemoryStream withPreview(file);
    EXPECT_TRUE(TEPSGraphic::CanLoad(withPreview));
    std::fill(file.begin() + 24, file.begin() + 28, 0); // TIFF length 0
    TMemoryStream withoutPreview(file);
    EXPECT_FALSE(TEPSGraphic::CanLoad(withoutPreview));
}

TEST(EPSGraphic, WrongSignatureNamesEPS) {
    std::vector<uint8_t> file = ReadFile(DataDir + "preview.eps");
    file[0] = 0;
    TEPSGraphic picture;
    TMemoryStream stream(file);
    try {
        picture.LoadFromStream(stream);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected EPS image format.");
    }
}

} // namespace

namespace {

// Found by fuzzing: RGB declared with one sample per pixel made the rows too short for the
// conversion.
TEST(TIFFGraphic, FewerSamplesThanTheSchemeNeedsAreRefused) {
    TTIFFGraphic picture;
    EXPECT_THROW(picture.LoadFromFile(DataDir + "fuzz-rgb-one-sample.tif"), EInvalidGraphic);
}

} // namespace

namespace {

// Found by fuzzing: YCbCr weights of red 585304 and green 0.0000013 overflowed the chroma
// tables. Whatever the weights, a pixel without chroma (Cb = Cr = 128) is its luma.
TEST(TIFFGraphic, DegenerateYCbCrWeightsLoadWithoutFault) {
    TTIFFBuilder b(false);
    b.Entry(256, 3, 1, 2);
    b.Entry(257, 3, 1, 1);
    b.Entry(258, 3, 3, b.Data({8, 0, 8, 0, 8, 0}));
    b.Entry(262, 3, 1, 6);
    b.Entry(273, 4, 1, b.Data({90, 128, 128, 200, 255, 0}));
    b.Entry(277, 3, 1, 3);
    b.Entry(529, 5, 3,
            b.Data(JoinBytes({Longs({585304, 1}), Longs({13, 10000000}), Longs({83, 10})})));
    b.Entry(530, 3, 2, 0x10001); // 1 x 1
    TTIFFGraphic picture;
    TMemoryStream stream(b.Finish());
    picture.LoadFromStream(stream);
    ASSERT_EQ(picture.Width(), 2);
    const uint8_t* bgr = picture.ScanLine(0);
    EXPECT_EQ(std::vector<uint8_t>(bgr, bgr + 3), std::vector<uint8_t>(3, 90));
}

// Found by fuzzing: a ColorMap of fewer than three values made an empty map that was copied
// through a null pointer. Such a map holds no entry: the picture is as if it had none.
TEST(TIFFGraphic, ColorMapWithoutAnEntryIsIgnored) {
    std::vector<uint8_t> file = ReadFile(DataDir + "fuzz-short-colormap.tif");
    TTIFFGraphic withShortMap;
    TMemoryStream stream(file);
    withShortMap.LoadFromStream(stream);
    // The last entry of the directory is the ColorMap (320): renamed to a tag nobody reads.
    ASSERT_EQ(file.at(200 + 2 + 15 * 12), 320 & 0xFF);
    file[200 + 2 + 15 * 12] = 0xFF;
    TTIFFGraphic withoutMap;
    TMemoryStream plain(file);
    withoutMap.LoadFromStream(plain);
    ASSERT_EQ(withShortMap.Width(), 24);
    EXPECT_EQ(withShortMap.Palette(), withoutMap.Palette());
    EXPECT_EQ(RenderRgbTopDown(withShortMap), RenderRgbTopDown(withoutMap));
}

// Found by fuzzing: 3-bit gray had the conversion read past the end of the strip (whose
// file holds less than half of it). Depths the colour manager lacks are widened to 8 bits:
// 3-bit levels v become v * 255 / 7.
TEST(TIFFGraphic, OddSampleDepthsAreWidened) {
    TTIFFGraphic damaged;
    EXPECT_THROW(damaged.LoadFromFile(DataDir + "fuzz-gray-3-bit.tif"), EInvalidGraphic);
    TTIFFBuilder b(true);
    b.Gray(8, 1, 1, 3);
    b.Entry(273, 4, 1, b.Data({0x05, 0x39, 0x77})); // 0 1 2 3 4 5 6 7
    TMemoryStream stream(b.Finish());
    TTIFFGraphic picture;
    picture.LoadFromStream(stream);
    const std::vector<uint8_t> rgb = RenderRgbTopDown(picture);
    for (int v = 0; v < 8; ++v)
        EXPECT_EQ(rgb.at(size_t(v) * 3), v * 255 / 7) << v;
}

} // namespace
